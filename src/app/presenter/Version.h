#pragma once

#include <string>

namespace moxel {

// The program's version as "<major>.<minor>" ("1.0"), for the tray tip and
// the version box.
std::string versionText();

} // namespace moxel
