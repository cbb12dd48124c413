#include "settings/Folders.h"

#include <atomic>
#include <string>

#include <windows.h>

#include "settings/Win32Errors.h"

namespace moxel {

WriteOutcome createMissingFolders(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path();
    if (folder.empty()) {
        return {};
    }
    std::filesystem::path partial;
    for (const std::filesystem::path& part : folder) {
        partial /= part;
        if (!partial.has_relative_path()) {
            continue; // "C:", "C:\" or "\\server\share\": a root, nothing to make
        }
        if (CreateDirectoryW(partial.c_str(), nullptr) == 0) {
            const DWORD error = GetLastError();
            const DWORD attributes = GetFileAttributesW(partial.c_str());
            const bool folderThere = attributes != INVALID_FILE_ATTRIBUTES &&
                                     (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (!folderThere) {
                return {WriteOutcome::Status::Failed,
                        win32Failure(error, "cannot create the folder", partial).reason};
            }
        }
    }
    return {};
}

// Windows decides by the folder's access list, which only an attempt reads
// right: a folder in Program Files lets users read but not create files.
bool isWritableFolder(const std::filesystem::path& folder) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path probe =
            folder / (L".moxel-probe-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                      std::to_wstring(counter++));
        const HANDLE handle =
            CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle); // and so deleted
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            return false;
        }
    }
    return false;
}

bool isUsersOwnFolder(const std::filesystem::path&) {
    return true;
}

} // namespace moxel
