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

// True when folder is the own folder of the user running the program, not the
// system's or another user's. On POSIX systems: a folder this user owns,
// outside the system's program folders (/usr, /opt, /bin, ...), which root
// owns and may run programs from with sudo. On Windows every folder is: its
// access list alone tells whether the user may keep files there.
bool isUsersOwnFolder(const std::filesystem::path& folder);

} // namespace moxel
