#pragma once

// Windows only: text in the system's ANSI code page (the code page of the
// "A" functions: Shift-JIS, code page 932, on a Japanese system), to and from
// Moxel's UTF-8.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace moxel {

// The number of the system's ANSI code page (932, 1252, 65001 for UTF-8 ...).
unsigned ansiCodePage();

// The bytes read in the ANSI code page, as UTF-8. Bytes that are no
// character there become whatever the system makes of them (never fails).
std::string utf8FromAnsi(std::string_view bytes);

// The text in the ANSI code page, or nothing when a character has no exact
// form there (no "best fit" stand-in such as "a" for "a with acute", no
// default character) or text is not well-formed UTF-8.
std::optional<std::string> ansiFromUtf8(std::string_view text);

// The longest start of text, whole characters only, whose form in the ANSI
// code page takes at most limit bytes (a character without a form there
// counts as the one byte of its stand-in). text is well-formed UTF-8.
std::string_view utf8PrefixWithinAnsiBytes(std::string_view text, std::size_t limit);

} // namespace moxel
