#include "settings/RegularFileWin32.h"

#include "settings/FileRefusals.h"
#include "settings/Win32Errors.h"

namespace moxel {

namespace {

std::string_view kindOf(DWORD fileType) {
    switch (fileType) {
    case FILE_TYPE_CHAR:
        return "a device";
    case FILE_TYPE_PIPE:
        return "a pipe";
    default:
        return "a special file";
    }
}

} // namespace

// A folder is refused from its attributes (it opens only for its listing).
FileResult openRegularFile(const std::filesystem::path& file, FileHandle& handle) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return notARegularFile(file, "a folder");
    }
    handle.reset(CreateFileW(file.c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) {
        return win32Failure(GetLastError(), "cannot open", file);
    }
    const DWORD fileType = GetFileType(handle.get());
    if (fileType != FILE_TYPE_DISK) {
        handle.close();
        return notARegularFile(file, kindOf(fileType));
    }
    LARGE_INTEGER size{};
    if (GetFileSizeEx(handle.get(), &size) == 0) {
        const DWORD error = GetLastError();
        handle.close();
        return win32Failure(error, "cannot read", file);
    }
    if (static_cast<std::uintmax_t>(size.QuadPart) > kFileSizeLimit) {
        handle.close();
        return tooLargeFile(file);
    }
    return {};
}

FileResult readOpenedFile(HANDLE handle, const std::filesystem::path& file, std::string& bytes) {
    bytes.clear();
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (ReadFile(handle, buffer, sizeof buffer, &got, nullptr) == 0) {
            const DWORD error = GetLastError();
            bytes.clear();
            return win32Failure(error, "cannot read", file);
        }
        if (got == 0) {
            return {};
        }
        bytes.append(buffer, got);
        if (bytes.size() > kFileSizeLimit) { // it grew since it was checked
            bytes.clear();
            return tooLargeFile(file);
        }
    }
}

} // namespace moxel
