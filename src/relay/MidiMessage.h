#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The MIDI vocabulary the relay and the window use: status bytes, the
// controllers Moxel sends, message lengths, and the packed short-message form
// (status in bits 0-7, data bytes in bits 8-15 and 16-23). Header-only and
// real-time safe.

namespace moxel::midi {

// Status bytes (channel messages: the kind, with the channel in the low nibble).
inline constexpr std::uint8_t kNoteOff = 0x80;
inline constexpr std::uint8_t kNoteOn = 0x90;
inline constexpr std::uint8_t kControlChange = 0xB0;
inline constexpr std::uint8_t kProgramChange = 0xC0;
inline constexpr std::uint8_t kChannelPressure = 0xD0;
inline constexpr std::uint8_t kSysexStart = 0xF0;
inline constexpr std::uint8_t kSysexEnd = 0xF7;
inline constexpr std::uint8_t kFirstRealtime = 0xF8; // 0xF8..0xFF may come anywhere, SysEx included

// Controllers.
inline constexpr std::uint8_t kSustain = 64;
inline constexpr std::uint8_t kAllSoundOff = 120;
inline constexpr std::uint8_t kAllNotesOff = 123;

inline constexpr int kChannels = 16;
inline constexpr int kKeys = 128;

constexpr bool isStatus(std::uint8_t byte) noexcept {
    return byte >= 0x80;
}

// Channel messages (note off .. pitch bend) carry a channel in the low nibble
// of their status byte. System messages (0xF0..0xFF) do not: their low nibble
// says which system message it is, so the channel rule leaves them alone.
constexpr bool isChannelStatus(std::uint8_t status) noexcept {
    return status >= kNoteOff && status < kSysexStart;
}

constexpr int channelOf(std::uint8_t status) noexcept {
    return status & 0x0F;
}

constexpr std::uint8_t kindOf(std::uint8_t status) noexcept {
    return status & 0xF0;
}

constexpr std::uint8_t withChannel(std::uint8_t status, int channel) noexcept {
    return static_cast<std::uint8_t>(kindOf(status) | (channel & 0x0F));
}

// The length of the message a status byte starts (1 to 3); SysEx framing and
// undefined system statuses count as the lone byte.
constexpr std::size_t messageLength(std::uint8_t status) noexcept {
    if (isChannelStatus(status)) {
        const std::uint8_t kind = kindOf(status);
        return kind == kProgramChange || kind == kChannelPressure ? 2 : 3;
    }
    switch (status) {
    case 0xF1: // time code quarter frame
    case 0xF3: // song select
        return 2;
    case 0xF2: // song position
        return 3;
    default:
        return 1;
    }
}

constexpr bool isNoteOn(const std::uint8_t* m, std::size_t size) noexcept {
    return size >= 3 && kindOf(m[0]) == kNoteOn && m[2] != 0;
}

// Note off, or note on with velocity 0.
constexpr bool isNoteOff(const std::uint8_t* m, std::size_t size) noexcept {
    return size >= 3 && (kindOf(m[0]) == kNoteOff || (kindOf(m[0]) == kNoteOn && m[2] == 0));
}

// A control change that silences its channel (All Notes Off, All Sound Off).
constexpr bool silencesChannel(const std::uint8_t* m, std::size_t size) noexcept {
    return size >= 3 && kindOf(m[0]) == kControlChange &&
           (m[1] == kAllNotesOff || m[1] == kAllSoundOff);
}

using ShortMessage = std::array<std::uint8_t, 3>;

constexpr ShortMessage controlChange(int channel, std::uint8_t controller, std::uint8_t value) {
    return {withChannel(kControlChange, channel), controller, value};
}

constexpr ShortMessage noteOff(int channel, int key) {
    return {withChannel(kNoteOff, channel), static_cast<std::uint8_t>(key & 0x7F), 0};
}

// A packed short message as bytes; returns how many of them the message has.
constexpr std::size_t unpack(std::uint32_t packed, ShortMessage& bytes) noexcept {
    bytes = {static_cast<std::uint8_t>(packed & 0xFF),
             static_cast<std::uint8_t>((packed >> 8) & 0xFF),
             static_cast<std::uint8_t>((packed >> 16) & 0xFF)};
    return messageLength(bytes[0]);
}

constexpr std::uint32_t pack(const ShortMessage& bytes) noexcept {
    return bytes[0] | (std::uint32_t{bytes[1]} << 8) | (std::uint32_t{bytes[2]} << 16);
}

// A program change on a channel, packed.
constexpr std::uint32_t programChange(int channel, int patch) noexcept {
    return pack({withChannel(kProgramChange, channel), static_cast<std::uint8_t>(patch & 0x7F), 0});
}

// Whether a packed value holds a short message that may go to a device: a
// status byte that starts a short message (SysEx framing bytes do not) and
// data bytes below 0x80 where the message has them.
constexpr bool isSendableShortMessage(std::uint32_t packed) noexcept {
    ShortMessage bytes{};
    const std::size_t size = unpack(packed, bytes);
    if (!isStatus(bytes[0]) || bytes[0] == kSysexStart || bytes[0] == kSysexEnd) {
        return false;
    }
    for (std::size_t i = 1; i < size; ++i) {
        if (isStatus(bytes[i])) {
            return false;
        }
    }
    return true;
}

} // namespace moxel::midi
