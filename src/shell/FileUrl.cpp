#include "shell/FileUrl.h"

#include <algorithm>
#include <array>

#include "encoding/Utf8Path.h"

namespace moxel {

namespace {

bool isUnreserved(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

void appendEncoded(std::string& url, std::string_view text, bool keepColon) {
    static constexpr std::array<char, 16> hex{'0', '1', '2', '3', '4', '5', '6', '7',
                                              '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
    for (const char c : text) {
        if (isUnreserved(c) || c == '/' || (keepColon && c == ':')) {
            url += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            url += '%';
            url += hex[byte >> 4];
            url += hex[byte & 0x0F];
        }
    }
}

} // namespace

std::string fileUrl(const std::filesystem::path& absolutePath, std::string_view fragment) {
    // "/" for every separator: "/opt/x", "C:/x", "//server/share/x". (Where
    // "\" is no separator it is part of a name and gets encoded.)
    std::string path = utf8FromPath(absolutePath);
    if constexpr (std::filesystem::path::preferred_separator == '\\') {
        std::ranges::replace(path, '\\', '/');
    }
    std::string url = "file:";
    if (path.starts_with("//")) {
        appendEncoded(url, path, false); // the server's name stands where a host does
    } else {
        url += path.starts_with("/") ? "//" : "///";
        // Only a drive's colon stays: "C:" at the very start.
        const bool drive = path.size() >= 2 && path[1] == ':';
        appendEncoded(url, std::string_view(path).substr(0, drive ? 2 : 0), true);
        appendEncoded(url, std::string_view(path).substr(drive ? 2 : 0), false);
    }
    if (!fragment.empty()) {
        url += '#';
        appendEncoded(url, fragment, false);
    }
    return url;
}

} // namespace moxel
