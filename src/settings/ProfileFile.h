#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "settings/AtomicFile.h"
#include "settings/WriteOutcome.h"

namespace moxel {

// Profile-file (INI) access by section and key, one self-contained call each:
// the file is read, and for a write replaced, and never held open between
// calls. The file format is described in ProfileText.h, ProfileValue.h and
// KeyEncoding.h, its encoding in StoredText.h. A file that cannot be read
// (missing, or refused: see readWholeFile()) reads as the defaults.

// The key's value, at most kProfileValueLimit bytes as the file stores them
// (see cutToStoredLimit()), or the default, cut to kProfileValueLimit bytes
// of UTF-8 (see cutToProfileLimit()), when the file cannot be read or the
// section or the key is missing. An empty key reads the default.
std::string readProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, const std::filesystem::path& file);

// The key's value read as a whole number (see parseProfileInt()), or the
// default when the file, the section or the key is missing.
std::int32_t readProfileInt(std::string_view section, std::string_view key,
                            std::int32_t defaultValue, const std::filesystem::path& file);

// Sets the key to the value, creating the file, the section or the key as
// needed; every other line stays byte for byte (on Windows, unless the file
// changes encoding, see StoredText.h). The file is read, changed and replaced
// atomically under a lock (updateFileAtomically()), so on failure the old one
// is intact and two writers lose no update. Skipped, with nothing written,
// for an empty key, a value holding a line break or a section name that
// cannot be stored; Failed when the old file cannot be read (other than not
// existing), is refused (see AtomicFile.h, StoredText.h) or the new one cannot
// be written; Busy when another writer held the file for longer than
// lockWait.
WriteOutcome writeProfileString(std::string_view section, std::string_view key,
                                std::string_view value, const std::filesystem::path& file,
                                std::chrono::milliseconds lockWait = kFileLockWait);

} // namespace moxel
