#include "encoding/Utf8Path.h"

#ifdef _WIN32
#include "encoding/Utf16.h"
#endif

namespace moxel {

// On Windows through Moxel's own conversions, which never throw; elsewhere
// the system's paths are bytes and UTF-8 text is taken as it is.
std::filesystem::path pathFromUtf8(std::string_view text) {
#ifdef _WIN32
    return {wideFromUtf8(text)};
#else
    return {std::string(text)};
#endif
}

std::string utf8FromPath(const std::filesystem::path& path) {
#ifdef _WIN32
    return utf8FromWide(path.native());
#else
    return path.native();
#endif
}

} // namespace moxel
