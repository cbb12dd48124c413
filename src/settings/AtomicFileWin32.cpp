#include "settings/AtomicFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <string>

#include <windows.h>

#include "settings/FileLockWin32.h"
#include "settings/FileRefusals.h"
#include "settings/RegularFileWin32.h"
#include "settings/Win32Errors.h"

namespace moxel {

namespace {

// Opens a new, not yet existing file next to target for writing.
HANDLE createTemporaryFile(const std::filesystem::path& target, std::filesystem::path& temporary) {
    static std::atomic<unsigned> counter{0};
    const std::wstring stem =
        L"." + target.filename().wstring() + L".tmp-" + std::to_wstring(GetCurrentProcessId());
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target.parent_path() / (stem + L"-" + std::to_wstring(counter++));
        const HANDLE handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            return handle;
        }
    }
    return INVALID_HANDLE_VALUE;
}

bool writeAll(HANDLE handle, std::string_view bytes) {
    while (!bytes.empty()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1U << 20));
        DWORD written = 0;
        if (WriteFile(handle, bytes.data(), chunk, &written, nullptr) == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

std::filesystem::path resolveLink(const std::filesystem::path& file) {
    std::error_code error;
    if (std::filesystem::is_symlink(file, error)) {
        std::filesystem::path target = std::filesystem::canonical(file, error);
        if (!error) {
            return target;
        }
    }
    return file;
}

// The old content of the file a write replaces (empty when there is none yet).
// A file the user marked read-only is not replaced (Windows refuses that
// rename itself, Wine as the superuser would not).
FileResult readForUpdate(const std::filesystem::path& target, std::string& bytes) {
    bytes.clear();
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? FileResult{}
                                             : win32Failure(error, "cannot open", target);
    }
    FileHandle handle;
    if (FileResult opened = openRegularFile(target, handle); !opened.ok()) {
        return opened;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return readOnlyFile(target);
    }
    return readOpenedFile(handle.get(), target, bytes);
}

// The new content goes to a file of its own in the same folder, is flushed to
// the disk, and one rename puts it in the old file's place.
FileResult replaceFile(const std::filesystem::path& target, std::string_view bytes) {
    std::filesystem::path temporary;
    FileHandle handle(createTemporaryFile(target, temporary));
    if (!handle.valid()) {
        const std::filesystem::path folder = target.parent_path();
        return win32Failure(GetLastError(), "cannot create a temporary file in",
                            folder.empty() ? std::filesystem::path(L".") : folder);
    }
    FileResult result;
    if (!writeAll(handle.get(), bytes)) {
        result = win32Failure(GetLastError(), "cannot write", temporary);
    } else if (FlushFileBuffers(handle.get()) == 0) {
        result = win32Failure(GetLastError(), "cannot flush", temporary);
    }
    if (!handle.close() && result.ok()) {
        result = win32Failure(GetLastError(), "cannot write", temporary);
    }
    if (result.ok() && MoveFileExW(temporary.c_str(), target.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        result = win32Failure(GetLastError(), "cannot replace", target);
    }
    if (!result.ok()) {
        DeleteFileW(temporary.c_str());
    }
    return result;
}

} // namespace

FileResult readWholeFile(const std::filesystem::path& file, std::string& bytes) {
    bytes.clear();
    FileHandle handle;
    if (FileResult opened = openRegularFile(file, handle); !opened.ok()) {
        return opened;
    }
    return readOpenedFile(handle.get(), file, bytes);
}

FileResult updateFileAtomically(const std::filesystem::path& file, const FileChange& change,
                                std::chrono::milliseconds lockWait) {
    const std::filesystem::path target = resolveLink(file);
    // What is no regular file is refused before a lock file is made beside it
    // (a device has no folder to hold one); under the lock the file is checked
    // again.
    FileHandle handle;
    FileResult opened = openRegularFile(target, handle);
    if (!opened.ok() && opened.errorNumber != ENOENT) {
        return opened;
    }
    handle.close();
    FileLock lock;
    if (FileResult held = lock.lock(target, lockWait); !held.ok()) {
        return held;
    }
    std::string bytes;
    FileResult result = readForUpdate(target, bytes);
    if (result.ok()) {
        result = change(bytes);
    }
    if (result.ok()) {
        result = checkNewSize(target, bytes);
    }
    if (result.ok()) {
        result = replaceFile(target, bytes);
    }
    return result;
}

} // namespace moxel
