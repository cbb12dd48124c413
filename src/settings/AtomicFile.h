#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace moxel {

// Result of a file operation: errorNumber is 0 on success, else the errno that
// stopped it (on Windows the errno for the system's error), and reason says in
// words what failed and why (the system's own text, e.g. "Permission denied").
struct FileResult {
    int errorNumber = 0;
    std::string reason;
    bool ok() const { return errorNumber == 0; }
};

// Reads the whole file into bytes.
FileResult readWholeFile(const std::filesystem::path& file, std::string& bytes);

// Replaces the file's content with bytes so that a reader sees either the old
// or the new content, never a mixture: the bytes go to a new file in the same
// folder, are flushed to the disk and the new file is renamed over the old
// one. On failure the old file stays as it was and the new file is removed.
// A symbolic link is followed: the file it points to is replaced and the
// link stays. On POSIX systems the old file's permission bits (and, where
// allowed, its owner) carry over and a new file gets 0666 less the umask; on
// Windows a read-only file is refused.
FileResult replaceFileAtomically(const std::filesystem::path& file, std::string_view bytes);

} // namespace moxel
