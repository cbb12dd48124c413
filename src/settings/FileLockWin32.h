#pragma once

// Windows only: a file held for one read-change-write.

#include <chrono>
#include <filesystem>

#include "settings/AtomicFile.h"
#include "settings/RegularFileWin32.h"

namespace moxel {

// The lock of a file: "<file>.lock" beside it, open for this process alone
// and deleted when it is closed (also when the process ends), so that
// writers that take it change the file one after the other. The file itself
// is not held open: a rename cannot replace a file that is open.
class FileLock {
  public:
    // Takes the lock of target, waiting for another writer up to wait.
    FileResult lock(const std::filesystem::path& target, std::chrono::milliseconds wait);

  private:
    FileHandle handle_;
};

} // namespace moxel
