#pragma once

// POSIX only: what the settings file's reads and writes share. The file is
// checked on the opened descriptor, so what is checked is what is read.

#include <filesystem>
#include <string>
#include <string_view>
#include <sys/stat.h>

#include "settings/AtomicFile.h"

namespace moxel {

// What failed, on which path, and the system's text for errorNumber.
FileResult systemFailure(int errorNumber, std::string_view what, const std::filesystem::path& path);

// Refuses a file of another kind than a regular file, or one larger than
// kFileSizeLimit.
FileResult checkRegularFile(const std::filesystem::path& file, const struct stat& info);

// Whether the file's permission bits let this process write it: the bits of
// the user's class (owner, group, others); for the superuser, who is stopped
// by no bit, any write bit, so a file that nobody may write stays unwritten.
bool writableByModeBits(const struct stat& info);

// The content of the open file, read from its start; refused (bytes empty)
// when it holds more than kFileSizeLimit bytes.
FileResult readOpenedFile(int fd, const std::filesystem::path& file, std::string& bytes);

} // namespace moxel
