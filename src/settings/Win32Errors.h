#pragma once

// Windows only: the system's error codes as Moxel's file operations report
// them.

#include <filesystem>
#include <string>
#include <string_view>

#include "settings/AtomicFile.h"

namespace moxel {

// The errno value that names the same failure (ENOENT for a missing file or
// folder, EACCES for a denied or shared one, ...), EIO for the rest.
int errnoFromWin32(unsigned long error);

// The system's own text for the error, in one line.
std::string win32Message(unsigned long error);

// A failed file operation: what was tried, on which path, and why.
FileResult win32Failure(unsigned long error, std::string_view what,
                        const std::filesystem::path& path);

} // namespace moxel
