#pragma once

#include <cstdint>

namespace moxel {

// Channel messages (note off .. pitch bend) carry a channel in the low nibble
// of their status byte. System messages (0xF0..0xFF) do not: their low nibble
// says which system message it is, so the channel rule must leave them alone.
constexpr bool isChannelStatus(std::uint8_t status) noexcept {
    return status >= 0x80 && status <= 0xEF;
}

constexpr std::uint8_t withChannel(std::uint8_t status, int position) noexcept {
    return static_cast<std::uint8_t>((status & 0xF0) | (position & 0x0F));
}

constexpr bool isNoteOn(const std::uint8_t* m, unsigned size) noexcept {
    return size >= 3 && (m[0] & 0xF0) == 0x90 && m[2] != 0;
}

// Note off, or note on with velocity 0.
constexpr bool isNoteOff(const std::uint8_t* m, unsigned size) noexcept {
    return size >= 3 && ((m[0] & 0xF0) == 0x80 || ((m[0] & 0xF0) == 0x90 && m[2] == 0));
}

} // namespace moxel
