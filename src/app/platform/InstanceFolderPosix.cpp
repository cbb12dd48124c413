#include "app/platform/InstanceFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace moxel {

namespace {

// Why a folder with that status cannot hold the instance files (nobody but
// the user may have the rights in forbidden), or "" when it can.
std::string unfitBecause(const struct stat& status, uid_t user, mode_t forbidden) {
    if (!S_ISDIR(status.st_mode)) {
        return "is not a folder";
    }
    if (status.st_uid != user) {
        return "belongs to another user";
    }
    if ((status.st_mode & forbidden) != 0) {
        return (forbidden & S_IRWXO) == S_IRWXO ? "is open to other users"
                                                : "may be written to by other users";
    }
    if ((status.st_mode & S_IRWXU) != S_IRWXU) {
        return "is not writable";
    }
    return "";
}

bool usableRuntimeFolder(const std::string& folder, uid_t user) {
    struct stat status {};
    return folder.starts_with('/') && ::stat(folder.c_str(), &status) == 0 &&
           unfitBecause(status, user, S_IWGRP | S_IWOTH).empty();
}

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

InstanceFolder chooseInstanceFolder(const std::string& runtimeFolder, const std::string& tempFolder,
                                    uid_t user) {
    if (usableRuntimeFolder(runtimeFolder, user)) {
        return {runtimeFolder, ""};
    }
    const std::string folder = (tempFolder.starts_with('/') ? tempFolder : std::string("/tmp")) +
                               "/moxel-" + std::to_string(user);
    if (::mkdir(folder.c_str(), S_IRWXU) != 0 && errno != EEXIST) {
        return {"", "cannot make the folder " + folder + ": " + std::strerror(errno)};
    }
    // Whatever is there now is looked at through a descriptor of its own: a
    // link put in its place is not followed.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        struct stat status {};
        const bool link = ::lstat(folder.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
        return {"", folder + (link               ? " is a link, not a folder"
                              : error == ENOTDIR ? " is not a folder"
                                                 : ": " + std::string(std::strerror(error)))};
    }
    struct stat status {};
    const int statusError = ::fstat(fd, &status) == 0 ? 0 : errno;
    ::close(fd);
    if (statusError != 0) {
        return {"", folder + ": " + std::strerror(statusError)};
    }
    const std::string why = unfitBecause(status, user, S_IRWXG | S_IRWXO);
    return why.empty() ? InstanceFolder{folder, ""} : InstanceFolder{"", folder + " " + why};
}

InstanceFolder instanceFolder() {
    return chooseInstanceFolder(environmentValue("XDG_RUNTIME_DIR"), environmentValue("TMPDIR"),
                                ::getuid());
}

} // namespace moxel
