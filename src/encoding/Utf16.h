#pragma once

#include <string>
#include <string_view>

namespace moxel {

// Moxel keeps every text in UTF-8; the Windows calls take UTF-16. These
// conversions never fail: a byte that starts no valid UTF-8 sequence (or an
// overlong form, a surrogate, a value above U+10FFFF) and an unpaired
// surrogate each become U+FFFD, the replacement character.
std::u16string utf16FromUtf8(std::string_view text);
std::string utf8FromUtf16(std::u16string_view text);

#ifdef _WIN32
// The same for the system's wchar_t (16 bits wide on Windows).
std::wstring wideFromUtf8(std::string_view text);
std::string utf8FromWide(std::wstring_view text);
#endif

} // namespace moxel
