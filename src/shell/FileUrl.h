#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace moxel {

// The file: URL of an absolute local path, as browsers and the desktop's
// openers take it: "file:///opt/moxel/manual/moxel.html" on Linux,
// "file:///C:/Program%20Files/Moxel/manual/moxel.html" on Windows,
// "file://server/share/..." for a Windows network path. Every byte of the
// path's UTF-8 form other than letters, digits, "-._~", "/" and a drive's
// ":" is percent-encoded. A fragment (a section of the page, without its
// "#") is appended after "#", encoded the same way.
std::string fileUrl(const std::filesystem::path& absolutePath, std::string_view fragment = {});

} // namespace moxel
