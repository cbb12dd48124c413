#pragma once

#include <filesystem>

#include "settings/WriteOutcome.h"

namespace moxel {

// The folder operations setting.ini needs, one implementation per system.

// Creates the folders above file that do not exist yet. On POSIX systems new
// folders are private to the user, as configuration folders are.
WriteOutcome createMissingFolders(const std::filesystem::path& file);

// True when this process can create files in folder (false for a folder that
// does not exist).
bool isWritableFolder(const std::filesystem::path& folder);

} // namespace moxel
