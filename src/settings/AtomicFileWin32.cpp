#include "settings/AtomicFile.h"

#include <algorithm>
#include <atomic>
#include <string>

#include <windows.h>

#include "settings/Win32Errors.h"

namespace moxel {

namespace {

class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    bool close() {
        const bool ok = !valid() || CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return ok;
    }

  private:
    HANDLE handle_;
};

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

} // namespace

FileResult readWholeFile(const std::filesystem::path& file, std::string& bytes) {
    bytes.clear();
    const Handle handle(CreateFileW(file.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) {
        return win32Failure(GetLastError(), "cannot open", file);
    }
    char buffer[8192];
    for (;;) {
        DWORD got = 0;
        if (ReadFile(handle.get(), buffer, sizeof buffer, &got, nullptr) == 0) {
            return win32Failure(GetLastError(), "cannot read", file);
        }
        if (got == 0) {
            return {};
        }
        bytes.append(buffer, got);
    }
}

// The new content goes to a file of its own in the same folder, is flushed to
// the disk, and one rename puts it in the old file's place: a reader, or a
// power cut, finds either the old or the new content. A file the user marked
// read-only is never replaced (Windows refuses that rename itself, Wine as
// the superuser would not).
FileResult replaceFileAtomically(const std::filesystem::path& file, std::string_view bytes) {
    const std::filesystem::path target = resolveLink(file);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return win32Failure(ERROR_ACCESS_DENIED, "cannot replace", target);
    }
    std::filesystem::path temporary;
    Handle handle(createTemporaryFile(target, temporary));
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

} // namespace moxel
