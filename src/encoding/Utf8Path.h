#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace moxel {

// Paths from and to Moxel's UTF-8 text. std::filesystem::path's own
// conversions from std::string take the system's narrow code page on
// Windows, which cannot carry every name; these keep every character.
std::filesystem::path pathFromUtf8(std::string_view text);
std::string utf8FromPath(const std::filesystem::path& path);

} // namespace moxel
