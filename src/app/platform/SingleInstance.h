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

// $XDG_RUNTIME_DIR/moxel.lock, else a per-user file in the temporary folder.
std::string defaultLockFile();

} // namespace moxel
