#include "app/platform/InstanceFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
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

// "" when the folder (made 0700 when missing) is a private folder of the
// user's; otherwise why not.
std::string privateFolderProblem(const std::string& folder, uid_t user) {
    if (::mkdir(folder.c_str(), S_IRWXU) != 0 && errno != EEXIST) {
        return "cannot make the folder " + folder + ": " + std::strerror(errno);
    }
    // Whatever is there now is looked at through a descriptor of its own: a
    // link put in its place is not followed.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        struct stat status {};
        const bool link = ::lstat(folder.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
        return folder + (link               ? " is a link, not a folder"
                         : error == ENOTDIR ? " is not a folder"
                                            : ": " + std::string(std::strerror(error)));
    }
    struct stat status {};
    const int statusError = ::fstat(fd, &status) == 0 ? 0 : errno;
    ::close(fd);
    if (statusError != 0) {
        return folder + ": " + std::strerror(statusError);
    }
    const std::string why = unfitBecause(status, user, S_IRWXG | S_IRWXO);
    return why.empty() ? "" : folder + " " + why;
}

} // namespace

InstanceFolder chooseInstanceFolder(const std::string& runtimeFolder, const std::string& tempFolder,
                                    const std::string& stateFolder, uid_t user) {
    if (usableRuntimeFolder(runtimeFolder, user)) {
        return {runtimeFolder, ""};
    }
    const std::string temporary = (tempFolder.starts_with('/') ? tempFolder : std::string("/tmp")) +
                                  "/moxel-" + std::to_string(user);
    std::string problem = privateFolderProblem(temporary, user);
    if (problem.empty()) {
        return {temporary, ""};
    }
    if (!stateFolder.starts_with('/')) {
        return {"", problem + "; no private folder in the user's home either (HOME is not set)"};
    }
    const std::string state = stateFolder + "/moxel";
    std::error_code ignored; // a failure shows below, when "moxel" cannot be made
    std::filesystem::create_directories(stateFolder, ignored);
    const std::string stateProblem = privateFolderProblem(state, user);
    return stateProblem.empty() ? InstanceFolder{state, ""}
                                : InstanceFolder{"", problem + "; " + stateProblem};
}

InstanceFolder instanceFolder() {
    const std::string stateHome = environmentValue("XDG_STATE_HOME");
    const std::string home = environmentValue("HOME");
    return chooseInstanceFolder(environmentValue("XDG_RUNTIME_DIR"), environmentValue("TMPDIR"),
                                stateHome.starts_with('/') ? stateHome
                                : home.empty()             ? ""
                                                           : home + "/.local/state",
                                ::getuid());
}

} // namespace moxel
