#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace moxel {

// How a value stands on a "key=value" line of setting.ini and how it comes
// back when read.
//
// Reading: the blanks (space, tab) around the value are dropped, then one pair
// of double quotes enclosing the whole value is removed ("\" a \"" reads as
// " a "). Writing does the reverse where needed: a value with a blank at
// either end, or one that begins and ends with a double quote, is written
// inside a pair of double quotes, so every value that fits on a line reads
// back exactly as it was written.

// Values are read through a buffer of 128 bytes: at most this many bytes.
inline constexpr std::size_t kProfileValueLimit = 127;

// The value as it reads from the text after "=" (not yet cut to the limit).
std::string_view valueFromLine(std::string_view textAfterEquals);

// The text to put after "=" so that valueFromLine() gives the value back.
std::string valueForLine(std::string_view value);

// False when the value holds a line break, which no line can carry.
bool valueFitsOnLine(std::string_view value);

// The first kProfileValueLimit bytes of the value. When the cut would fall
// inside a well-formed UTF-8 character, the value is cut before that
// character; other bytes (Shift-JIS, broken UTF-8) are cut where they stand.
std::string_view cutToProfileLimit(std::string_view value);

// The value as a whole number: leading blanks, an optional sign, then the
// digits up to the first other character ("12abc" is 12); 0 when there are
// no digits. Numbers beyond the 32-bit range are clamped to it.
std::int32_t parseProfileInt(std::string_view value);

} // namespace moxel
