#include "settings/KeyEncoding.h"

#include <cstddef>

namespace moxel {

namespace {

constexpr char kEncodedPrefix = '%';
constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80"; // U+3000 in UTF-8

bool isAsciiBlank(char c) {
    return c == ' ' || c == '\t';
}

// Length of the blank (space, tab, U+3000) that starts at pos, or 0.
std::size_t blankAt(std::string_view s, std::size_t pos) {
    if (pos < s.size() && isAsciiBlank(s[pos])) {
        return 1;
    }
    if (s.substr(pos, kIdeographicSpace.size()) == kIdeographicSpace) {
        return kIdeographicSpace.size();
    }
    return 0;
}

// Length of the blank that ends at end (exclusive), or 0.
std::size_t blankBefore(std::string_view s, std::size_t end) {
    if (end > 0 && isAsciiBlank(s[end - 1])) {
        return 1;
    }
    if (end >= kIdeographicSpace.size() &&
        s.substr(end - kIdeographicSpace.size(), kIdeographicSpace.size()) == kIdeographicSpace) {
        return kIdeographicSpace.size();
    }
    return 0;
}

bool isAlwaysEscaped(unsigned char c) {
    return c == '%' || c == '=' || c < 0x20 || c == 0x7F;
}

void appendEscaped(std::string& out, unsigned char c) {
    constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

} // namespace

bool keyNameNeedsEncoding(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    const char first = name.front();
    if (first == '[' || first == ';' || first == kEncodedPrefix) {
        return true;
    }
    if (name.find_first_of(std::string_view("=\r\n\0", 4)) != std::string_view::npos) {
        return true;
    }
    return blankAt(name, 0) != 0 || blankBefore(name, name.size()) != 0;
}

std::string encodeKeyName(std::string_view name) {
    if (!keyNameNeedsEncoding(name)) {
        return std::string(name);
    }
    // The leading and trailing blank runs are escaped byte by byte.
    std::size_t leadEnd = 0;
    while (std::size_t n = blankAt(name, leadEnd)) {
        leadEnd += n;
    }
    std::size_t trailStart = name.size();
    while (trailStart > leadEnd) {
        const std::size_t n = blankBefore(name, trailStart);
        if (n == 0) {
            break;
        }
        trailStart -= n;
    }
    std::string out(1, kEncodedPrefix);
    out.reserve(name.size() * 3 + 1);
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (isAlwaysEscaped(c) || i < leadEnd || i >= trailStart) {
            appendEscaped(out, c);
        } else {
            out += name[i];
        }
    }
    return out;
}

std::optional<std::string> decodeKeyName(std::string_view stored) {
    if (stored.empty() || stored.front() != kEncodedPrefix) {
        return std::string(stored);
    }
    std::string out;
    out.reserve(stored.size());
    for (std::size_t i = 1; i < stored.size(); ++i) {
        if (stored[i] != '%') {
            out += stored[i];
            continue;
        }
        if (i + 2 >= stored.size()) {
            return std::nullopt;
        }
        const int high = hexValue(stored[i + 1]);
        const int low = hexValue(stored[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

} // namespace moxel
