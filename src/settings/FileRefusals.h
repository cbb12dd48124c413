#pragma once

// The reasons a settings file is refused, in words for the user; each names
// the file.

#include <chrono>
#include <filesystem>
#include <string_view>

#include "settings/AtomicFile.h"

namespace moxel {

// "\"<path>\" is not a regular file but <kind>", kind being e.g. "a FIFO".
FileResult notARegularFile(const std::filesystem::path& file, std::string_view kind);

// "\"<path>\" is larger than 1 MiB, too large for a settings file".
FileResult tooLargeFile(const std::filesystem::path& file);

// "\"<path>\" would grow larger than 1 MiB, too large for a settings file;
// it is left as it is", when the new bytes are more than kFileSizeLimit, so
// that no write makes a file that would then be refused; else success.
FileResult checkNewSize(const std::filesystem::path& file, std::string_view bytes);

// "\"<path>\" is read-only".
FileResult readOnlyFile(const std::filesystem::path& file);

// "\"<path>\" is being written by another program; gave up waiting after 2 s"
// (without the wait when none was allowed); errorNumber is EAGAIN.
FileResult fileKeptLocked(const std::filesystem::path& file, std::chrono::milliseconds waited);

// "\"<path>\" holds bytes that are not text in the system's code page <n>;
// it is left as it is".
FileResult notTextInCodePage(const std::filesystem::path& file, unsigned codePage);

} // namespace moxel
