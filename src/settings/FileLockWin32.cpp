#include "settings/FileLockWin32.h"

#include "settings/FileRefusals.h"
#include "settings/Win32Errors.h"

namespace moxel {

namespace {

// Whether the lock file stands there (held, or being deleted as its last
// holder closed it), as against a folder that lets nobody create it.
bool lockFileThere(const std::filesystem::path& lockFile) {
    const DWORD attributes = GetFileAttributesW(lockFile.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return GetLastError() == ERROR_ACCESS_DENIED; // a file being deleted
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace

FileResult FileLock::lock(const std::filesystem::path& target, std::chrono::milliseconds wait) {
    std::filesystem::path lockFile = target;
    lockFile += L".lock";
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        handle_.reset(CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                  nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (handle_.valid()) {
            return {};
        }
        const DWORD error = GetLastError();
        const bool held = error == ERROR_SHARING_VIOLATION ||
                          (error == ERROR_ACCESS_DENIED && lockFileThere(lockFile));
        if (!held) {
            return win32Failure(error, "cannot create the lock file", lockFile);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return fileKeptLocked(target, wait);
        }
        Sleep(1);
    }
}

} // namespace moxel
