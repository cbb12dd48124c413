#pragma once

#include <array>
#include <cstdint>

namespace moxel {

// The length of a short message by its status byte (1 to 3).
unsigned shortMessageLength(std::uint8_t status);

// A packed short message (status in bits 0-7, data bytes in bits 8-15 and
// 16-23) as bytes; returns how many of them the message has.
inline unsigned unpackShortMessage(std::uint32_t message, std::array<std::uint8_t, 3>& bytes) {
    bytes = {static_cast<std::uint8_t>(message & 0xFF),
             static_cast<std::uint8_t>((message >> 8) & 0xFF),
             static_cast<std::uint8_t>((message >> 16) & 0xFF)};
    return shortMessageLength(bytes[0]);
}

// Whether a packed value holds a short message that may go to a device: a
// status byte that starts a short message (SysEx framing bytes do not) and
// data bytes below 0x80 where the message has them.
bool isSendableShortMessage(std::uint32_t message);

} // namespace moxel
