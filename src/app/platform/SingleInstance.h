#pragma once

#include <string>

namespace moxel {

// Held while this process is the one running Moxel. On POSIX systems it is an
// exclusive lock on a file in the user's runtime folder; on Windows a named
// mutex of the user's session. The system drops either when the process
// ends, however it ends, so a crash leaves no stale lock behind.
class SingleInstance {
  public:
    // lock: the lock file's path (POSIX) or the mutex's name (Windows), UTF-8.
    explicit SingleInstance(const std::string& lock);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another process holds the lock.
    bool acquired() const { return acquired_; }

  private:
#ifdef _WIN32
    void* mutex_ = nullptr;
#else
    int fd_ = -1;
#endif
    bool acquired_ = false;
};

// POSIX: runtimeFile("moxel.lock"). Windows: a mutex name in the session's
// namespace.
std::string defaultInstanceLock();

#ifndef _WIN32
// A file of this user's running Moxel: in $XDG_RUNTIME_DIR, else named per
// user in the temporary folder. The running Moxel listens on the local socket
// "moxel.socket" for a second start's request to show its window
// (ShowRequests.h).
std::string runtimeFile(const std::string& name);
#endif

} // namespace moxel
