#pragma once

// Windows only: what the settings file's reads and writes share. The file is
// checked on the opened handle, so what is checked is what is read.

#include <filesystem>
#include <string>

#include <windows.h>

#include "settings/AtomicFile.h"

namespace moxel {

// A handle that closes itself.
class FileHandle {
  public:
    explicit FileHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~FileHandle() { close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    void reset(HANDLE handle) {
        close();
        handle_ = handle;
    }
    bool close() {
        const bool ok = !valid() || CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return ok;
    }

  private:
    HANDLE handle_;
};

// Opens the file for reading when it is a file on a disk (a link to one
// included) of at most kFileSizeLimit bytes; refuses a folder, a device, a
// pipe and a larger file.
FileResult openRegularFile(const std::filesystem::path& file, FileHandle& handle);

// The content of the open file, read from its start; refused (bytes empty)
// when it holds more than kFileSizeLimit bytes.
FileResult readOpenedFile(HANDLE handle, const std::filesystem::path& file, std::string& bytes);

} // namespace moxel
