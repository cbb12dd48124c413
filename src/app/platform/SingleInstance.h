#pragma once

#include <string>

namespace moxel {

// Held while this process is the one running Moxel: an exclusive lock on a
// file in the user's runtime folder. The kernel drops the lock when the
// process ends, however it ends, so a crash leaves no stale lock behind.
class SingleInstance {
  public:
    explicit SingleInstance(const std::string& lockFile);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another process holds the lock.
    bool acquired() const { return acquired_; }

  private:
    int fd_ = -1;
    bool acquired_ = false;
};

// A file of this user's running Moxel: in $XDG_RUNTIME_DIR, else named per
// user in the temporary folder. "moxel.lock" is the lock; the running Moxel
// listens on the local socket "moxel.socket" for a second start's request to
// show its window.
std::string runtimeFile(const std::string& name);
std::string defaultLockFile();

// A second start asks the running Moxel to show its window (out of the
// notification area, in front). False when nobody listens.
bool askRunningInstanceToShow(const std::string& socketFile);

} // namespace moxel
