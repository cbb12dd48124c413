#include "settings/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/FileLockPosix.h"
#include "settings/FileRefusals.h"
#include "settings/RegularFilePosix.h"

namespace moxel {

namespace {

// Opens a new, not yet existing file next to target for writing.
int createTemporaryFile(const std::filesystem::path& target, std::filesystem::path& temporary) {
    static std::atomic<unsigned> counter{0};
    const std::string stem = "." + target.filename().string() + ".tmp-" + std::to_string(getpid());
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target.parent_path() / (stem + "-" + std::to_string(counter++));
        const int fd =
            open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
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

// Puts bytes in target's place through a new file in the same folder, which
// gets the old file's permission bits and, where allowed, owner.
FileResult replaceFile(const std::filesystem::path& target, std::string_view bytes,
                       const struct stat& old) {
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    std::filesystem::path temporary;
    const int fd = createTemporaryFile(target, temporary);
    if (fd < 0) {
        return systemFailure(errno, "cannot create a temporary file in", folder);
    }
    fchmod(fd, old.st_mode & 07777);
    if (fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Only the superuser may give a file away; the mode is what counts.
    }
    FileResult result;
    if (!writeAll(fd, bytes)) {
        result = systemFailure(errno, "cannot write", temporary);
    } else if (fsync(fd) != 0) {
        result = systemFailure(errno, "cannot flush", temporary);
    }
    if (close(fd) != 0 && result.ok()) {
        result = systemFailure(errno, "cannot write", temporary);
    }
    if (result.ok() && rename(temporary.c_str(), target.c_str()) != 0) {
        result = systemFailure(errno, "cannot replace", target);
    }
    if (!result.ok()) {
        unlink(temporary.c_str());
        return result;
    }
    syncFolder(folder);
    return result;
}

} // namespace

// A file of another kind is refused from its status, before it is opened:
// opening a device may act on it. The opened file is checked again.
FileResult readWholeFile(const std::filesystem::path& file, std::string& bytes) {
    bytes.clear();
    struct stat info {};
    if (stat(file.c_str(), &info) != 0) {
        return systemFailure(errno, "cannot open", file);
    }
    if (FileResult kind = checkRegularFile(file, info); !kind.ok()) {
        return kind;
    }
    const int fd = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return systemFailure(errno, "cannot open", file);
    }
    FileResult result;
    if (fstat(fd, &info) != 0) {
        result = systemFailure(errno, "cannot read", file);
    } else {
        result = checkRegularFile(file, info);
    }
    if (result.ok()) {
        result = readOpenedFile(fd, file, bytes);
    }
    close(fd);
    return result;
}

FileResult updateFileAtomically(const std::filesystem::path& file, const FileChange& change,
                                std::chrono::milliseconds lockWait) {
    const std::filesystem::path target = resolveLink(file);
    LockedFile locked;
    if (FileResult held = locked.lock(target, lockWait); !held.ok()) {
        return held;
    }
    std::string bytes;
    FileResult result = readOpenedFile(locked.fd(), target, bytes);
    if (result.ok()) {
        result = change(bytes);
    }
    if (result.ok()) {
        result = checkNewSize(target, bytes);
    }
    if (result.ok()) {
        result = replaceFile(target, bytes, locked.info());
    }
    if (!result.ok()) {
        locked.removeIfCreated();
    }
    return result;
}

} // namespace moxel
