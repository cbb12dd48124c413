#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace moxel {

// Result of a file operation: errorNumber is 0 on success, else the errno that
// stopped it (on Windows the errno for the system's error), and reason says in
// words what failed and why (the system's own text, e.g. "Permission denied",
// or one of the refusals of FileRefusals.h).
struct FileResult {
    int errorNumber = 0;
    std::string reason;
    bool ok() const { return errorNumber == 0; }
};

// The largest file read or rewritten, 1 MiB. A settings file holds a few
// lines and one per output device name (a key and a value of at most 127
// bytes each): even a thousand devices stay below 300 KiB. The limit keeps
// a file of the wrong kind from filling the memory.
inline constexpr std::uintmax_t kFileSizeLimit = std::uintmax_t{1} << 20;

// How long a write waits by default for another one (another Moxel) to
// finish with the same file before it gives up: far longer than a write
// takes. The window's own writes do not wait: they try again later.
inline constexpr std::chrono::milliseconds kFileLockWait{2000};

// Reads the whole file into bytes. Only a regular file (or a symbolic link
// to one) of at most kFileSizeLimit bytes is read: anything else is refused
// without being read, and reading never waits (a FIFO is refused, not
// opened for a writer to come).
FileResult readWholeFile(const std::filesystem::path& file, std::string& bytes);

// Makes the file's new bytes from its old ones (empty for a file that does
// not exist yet); a failure stops the update and leaves the file as it was.
using FileChange = std::function<FileResult(std::string& bytes)>;

// Reads the file, changes its bytes and replaces it, holding the file for
// the whole of it so that two writers (two Moxels) never lose an update:
// the second reads what the first wrote. A reader sees either the old or the
// new content, never a mixture: the new bytes go to a new file in the same
// folder, are flushed to the disk and the new file is renamed over the old
// one. On failure the old file stays as it was and the new file is removed.
//
// A symbolic link is followed: the file it points to is replaced and the
// link stays. Only a regular file is ever replaced: the update is refused
// when the file (the link's target) is of another kind, larger than
// kFileSizeLimit, read-only, or held by another writer for longer than
// lockWait (errorNumber EAGAIN; with no wait, held at all). Nor is a file
// ever written that would then be refused: a change that makes it larger
// than kFileSizeLimit leaves it as it was. Read-only goes by the file's permission bits (the write
// bit of the user's class; for the superuser, who may write anything, any write bit) on POSIX
// systems and by the read-only attribute on Windows. On POSIX systems the old file's permission
// bits (and, where allowed, its owner) carry over and a new file gets 0666 less the umask.
FileResult updateFileAtomically(const std::filesystem::path& file, const FileChange& change,
                                std::chrono::milliseconds lockWait = kFileLockWait);

} // namespace moxel
