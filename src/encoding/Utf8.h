#pragma once

#include <cstddef>
#include <string_view>

namespace moxel {

// True for a byte that continues a UTF-8 sequence (10xxxxxx).
constexpr bool isUtf8Continuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length in bytes of the well-formed UTF-8 character at the start of text, or
// 0 when text does not start with one (an overlong form, a surrogate, a value
// above U+10FFFF, a stray or cut-short sequence).
std::size_t wellFormedUtf8Length(std::string_view text);

// True when the whole text is well-formed UTF-8 (pure ASCII is).
bool isWellFormedUtf8(std::string_view text);

} // namespace moxel
