#include "midi/ShortMessage.h"

#include <cstdint>

namespace moxel {

unsigned shortMessageLength(std::uint8_t status) {
    if (status < 0xF0) {
        const std::uint8_t kind = status & 0xF0;
        return (kind == 0xC0 || kind == 0xD0) ? 2 : 3;
    }
    switch (status) {
    case 0xF1:
    case 0xF3:
        return 2;
    case 0xF2:
        return 3;
    default:
        return 1;
    }
}

bool isSendableShortMessage(std::uint32_t message) {
    std::array<std::uint8_t, 3> bytes{};
    const unsigned size = unpackShortMessage(message, bytes);
    if (bytes[0] < 0x80 || bytes[0] == 0xF0 || bytes[0] == 0xF7) {
        return false;
    }
    for (unsigned i = 1; i < size; ++i) {
        if (bytes[i] >= 0x80) {
            return false;
        }
    }
    return true;
}

} // namespace moxel
