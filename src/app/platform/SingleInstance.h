#pragma once

#include <string>

namespace moxel {

// Held while this process is the one running Moxel. On POSIX systems it is an
// exclusive lock on a file in the user's instance folder (InstanceFolder.h);
// on Windows a named mutex of the user's session. The system drops either
// when the process ends, however it ends, so a crash leaves no stale lock
// behind.
class SingleInstance {
  public:
    // lock: the lock file's path (POSIX) or the mutex's name (Windows), UTF-8.
    explicit SingleInstance(const std::string& lock);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another process holds the lock.
    bool acquired() const { return acquired_; }
    // Why this process cannot tell whether another one holds the lock, when
    // it cannot; it then counts as acquired: running twice is better than not
    // running at all.
    const std::string& problem() const { return problem_; }

  private:
#ifdef _WIN32
    void* mutex_ = nullptr;
#else
    int fd_ = -1;
#endif
    bool acquired_ = false;
    std::string problem_;
};

#ifdef _WIN32
// A mutex name in the session's namespace.
std::string defaultInstanceLock();
#endif

} // namespace moxel
