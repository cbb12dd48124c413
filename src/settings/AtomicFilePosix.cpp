#include "settings/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace moxel {

namespace {

FileResult failure(int errorNumber, std::string_view what, const std::filesystem::path& path) {
    FileResult result;
    result.errorNumber = errorNumber;
    result.reason.append(what).append(" \"").append(path.string()).append("\": ");
    result.reason.append(std::error_code(errorNumber, std::generic_category()).message());
    return result;
}

// Opens a new, not yet existing file next to target for writing.
int createTemporaryFile(const std::filesystem::path& target, std::filesystem::path& temporary) {
    static std::atomic<unsigned> counter{0};
    const std::string stem = "." + target.filename().string() + ".tmp-" + std::to_string(getpid());
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target.parent_path() / (stem + "-" + std::to_string(counter++));
        const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Gives the new file the old file's permission bits and, where allowed, owner.
void copyOwnershipAndMode(int fd, const std::filesystem::path& target) {
    struct stat old {};
    if (stat(target.c_str(), &old) != 0) {
        return;
    }
    fchmod(fd, old.st_mode & 07777);
    if (fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Only the superuser may give a file away; the mode is what counts.
    }
}

void syncFolder(const std::filesystem::path& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// The file a (chain of) symbolic link(s) names, also when it does not exist
// yet: writing through the link creates it and keeps the link.
std::filesystem::path resolveLink(const std::filesystem::path& file) {
    std::filesystem::path target = file;
    std::error_code error;
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(target, error); ++hops) {
        const std::filesystem::path next = std::filesystem::read_symlink(target, error);
        if (error) {
            break;
        }
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

} // namespace

FileResult readWholeFile(const std::filesystem::path& file, std::string& bytes) {
    bytes.clear();
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return failure(errno, "cannot open", file);
    }
    char buffer[8192];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            close(fd);
            return failure(error, "cannot read", file);
        }
        if (got == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return {};
}

FileResult replaceFileAtomically(const std::filesystem::path& file, std::string_view bytes) {
    const std::filesystem::path target = resolveLink(file);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    std::filesystem::path temporary;
    const int fd = createTemporaryFile(target, temporary);
    if (fd < 0) {
        return failure(errno, "cannot create a temporary file in", folder);
    }
    copyOwnershipAndMode(fd, target);

    FileResult result;
    if (!writeAll(fd, bytes)) {
        result = failure(errno, "cannot write", temporary);
    } else if (fsync(fd) != 0) {
        result = failure(errno, "cannot flush", temporary);
    }
    if (close(fd) != 0 && result.ok()) {
        result = failure(errno, "cannot write", temporary);
    }
    if (result.ok() && rename(temporary.c_str(), target.c_str()) != 0) {
        result = failure(errno, "cannot replace", target);
    }
    if (!result.ok()) {
        unlink(temporary.c_str());
        return result;
    }
    syncFolder(folder);
    return result;
}

} // namespace moxel
