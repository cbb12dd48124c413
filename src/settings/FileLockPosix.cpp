#include "settings/FileLockPosix.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

#include "settings/FileRefusals.h"
#include "settings/RegularFilePosix.h"

namespace moxel {

namespace {

using Clock = std::chrono::steady_clock;

// flock's answers for a file system that keeps no locks (some network ones).
bool locksUnsupported(int error) {
    return error == ENOLCK || error == EOPNOTSUPP || error == ENOSYS || error == EINVAL;
}

} // namespace

LockedFile::~LockedFile() {
    close();
}

void LockedFile::close() {
    if (fd_ >= 0) {
        ::close(fd_); // and so unlocked
        fd_ = -1;
    }
}

FileResult LockedFile::lock(const std::filesystem::path& target, std::chrono::milliseconds wait) {
    target_ = target;
    wait_ = wait;
    const Clock::time_point deadline = Clock::now() + wait;
    for (;;) {
        bool retry = false;
        FileResult opened = openOnce(retry);
        if (retry) { // another writer created the file just now
            if (Clock::now() < deadline) {
                continue;
            }
            close();
            return fileKeptLocked(target_, wait_);
        }
        if (!opened.ok()) {
            close();
            return opened;
        }
        FileResult locked = waitForLock(deadline);
        if (!locked.ok()) {
            close();
            return locked;
        }
        if (pathNamesLockedFile()) {
            return {};
        }
        close(); // another writer replaced it meanwhile: lock the new one
        if (Clock::now() >= deadline) {
            return fileKeptLocked(target_, wait_);
        }
    }
}

// Opens the file without following a link and without waiting (a FIFO put
// there meanwhile opens at once, and is refused), creating it when missing.
// A file of another kind found before opening is not opened at all.
FileResult LockedFile::openOnce(bool& retry) {
    struct stat before {};
    const bool missing = lstat(target_.c_str(), &before) != 0;
    if (missing && errno != ENOENT) {
        return systemFailure(errno, "cannot open", target_);
    }
    if (!missing && !S_ISLNK(before.st_mode)) { // a link gives its own error below
        if (FileResult kind = checkRegularFile(target_, before); !kind.ok()) {
            return kind;
        }
    }
    int flags = O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC;
    if (missing) {
        flags |= O_CREAT | O_EXCL;
    }
    fd_ = ::open(target_.c_str(), flags, 0666);
    if (fd_ < 0) {
        retry = missing && errno == EEXIST;
        return systemFailure(errno, missing ? "cannot create" : "cannot open", target_);
    }
    created_ = missing;
    if (fstat(fd_, &info_) != 0) {
        return systemFailure(errno, "cannot read", target_);
    }
    if (FileResult kind = checkRegularFile(target_, info_); !kind.ok()) {
        return kind;
    }
    if (!created_ && !writableByModeBits(info_)) { // a new file is this write's own,
        return readOnlyFile(target_);              // whatever the umask left of its bits
    }
    return {};
}

FileResult LockedFile::waitForLock(Clock::time_point deadline) {
    for (;;) {
        if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            return {};
        }
        const int error = errno;
        if (error == EINTR) {
            continue;
        }
        if (locksUnsupported(error)) {
            return {};
        }
        if (error != EWOULDBLOCK) {
            return systemFailure(error, "cannot lock", target_);
        }
        if (Clock::now() >= deadline) {
            return fileKeptLocked(target_, wait_);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool LockedFile::pathNamesLockedFile() const {
    struct stat now {};
    return lstat(target_.c_str(), &now) == 0 && now.st_dev == info_.st_dev &&
           now.st_ino == info_.st_ino;
}

void LockedFile::removeIfCreated() {
    if (fd_ >= 0 && created_ && pathNamesLockedFile()) {
        unlink(target_.c_str());
    }
}

} // namespace moxel
