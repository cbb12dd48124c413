#pragma once

// POSIX only: a file held for one read-change-write.

#include <chrono>
#include <filesystem>
#include <sys/stat.h>

#include "settings/AtomicFile.h"

namespace moxel {

// The file at a path, open and locked (an advisory lock, flock) so that
// writers that take the same lock change it one after the other. A write
// renames a new file over the old one, so a writer that waited for the lock
// of the old file finds the path naming another file once it has the lock:
// it then locks that one, until the file it holds is the one the path names.
class LockedFile {
  public:
    LockedFile() = default;
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    // Opens the regular file at target (not a symbolic link: the caller
    // follows those) and locks it, waiting for another writer up to wait.
    // A missing file is created empty (0666 less the umask). Refused, nothing
    // opened, for a file of another kind, a file larger than kFileSizeLimit
    // or an existing one whose permission bits deny this process writing it
    // (see writableByModeBits()). Where the file system has no locks the file is
    // held without one.
    FileResult lock(const std::filesystem::path& target, std::chrono::milliseconds wait);

    int fd() const { return fd_; }
    const struct stat& info() const { return info_; }

    // After a failed write: removes the file again if lock() created it and
    // the path still names it, so a failure leaves no file that was not there.
    void removeIfCreated();

  private:
    FileResult openOnce(bool& retry);
    FileResult waitForLock(std::chrono::steady_clock::time_point deadline);
    bool pathNamesLockedFile() const;
    void close();

    std::filesystem::path target_;
    std::chrono::milliseconds wait_{0};
    int fd_ = -1;
    struct stat info_ {};
    bool created_ = false;
};

} // namespace moxel
