#include "encoding/AnsiCodePage.h"

#include <algorithm>

#include <windows.h>

#include "encoding/Utf16.h"
#include "encoding/Utf8.h"

namespace moxel {

namespace {

std::wstring wideFromAnsi(std::string_view bytes) {
    if (bytes.empty()) {
        return {};
    }
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), length);
    return wide;
}

// The wide text in the ANSI code page; usedStandIn tells whether a character
// had no form there. (The UTF-8 code page takes no flags and never needs one.)
std::string ansiFromWide(std::wstring_view wide, bool& usedStandIn) {
    usedStandIn = false;
    if (wide.empty()) {
        return {};
    }
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* used = utf8 ? nullptr : &usedDefault;
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr, used);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, flags, wide.data(), size, bytes.data(), length, nullptr, used);
    usedStandIn = length == 0 || usedDefault != FALSE;
    return bytes;
}

} // namespace

unsigned ansiCodePage() {
    return GetACP();
}

std::string utf8FromAnsi(std::string_view bytes) {
    return utf8FromWide(wideFromAnsi(bytes));
}

std::optional<std::string> ansiFromUtf8(std::string_view text) {
    if (!isWellFormedUtf8(text)) {
        return std::nullopt;
    }
    const std::wstring wide = wideFromUtf8(text);
    bool usedStandIn = false;
    std::string bytes = ansiFromWide(wide, usedStandIn);
    // The stand-in flag misses a character that maps to a different one
    // without counting as a stand-in; reading the bytes back catches that.
    if (usedStandIn || wideFromAnsi(bytes) != wide) {
        return std::nullopt;
    }
    return bytes;
}

std::string_view utf8PrefixWithinAnsiBytes(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return text; // no character takes more bytes in an ANSI code page than in UTF-8
    }
    std::size_t kept = 0;
    std::size_t bytes = 0;
    while (kept < text.size()) {
        const std::size_t length =
            std::max<std::size_t>(1, wellFormedUtf8Length(text.substr(kept)));
        bool usedStandIn = false;
        const std::size_t ansi =
            ansiFromWide(wideFromUtf8(text.substr(kept, length)), usedStandIn).size();
        if (bytes + std::max<std::size_t>(ansi, 1) > limit) {
            break;
        }
        bytes += std::max<std::size_t>(ansi, 1);
        kept += length;
    }
    return text.substr(0, kept);
}

} // namespace moxel
