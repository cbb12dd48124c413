#include "settings/ProfileValue.h"

#include <cstdint>
#include <limits>

#include "encoding/Utf8.h"

namespace moxel {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::string_view valueFromLine(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
    }
    return text;
}

std::string valueForLine(std::string_view value) {
    const bool needsQuotes =
        !value.empty() && (isBlank(value.front()) || isBlank(value.back()) ||
                           (value.size() >= 2 && value.front() == '"' && value.back() == '"'));
    if (!needsQuotes) {
        return std::string(value);
    }
    std::string quoted;
    quoted.reserve(value.size() + 2);
    quoted += '"';
    quoted += value;
    quoted += '"';
    return quoted;
}

bool valueFitsOnLine(std::string_view value) {
    return value.find_first_of("\r\n") == std::string_view::npos;
}

std::string_view cutToProfileLimit(std::string_view value) {
    if (value.size() <= kProfileValueLimit) {
        return value;
    }
    // Find where the character holding the last byte kept begins.
    std::size_t start = kProfileValueLimit - 1;
    while (start > 0 && kProfileValueLimit - start < 4 &&
           isUtf8Continuation(static_cast<unsigned char>(value[start]))) {
        --start;
    }
    const std::size_t length = wellFormedUtf8Length(value.substr(start));
    if (length > 1 && start + length > kProfileValueLimit) {
        return value.substr(0, start);
    }
    return value.substr(0, kProfileValueLimit);
}

std::int32_t parseProfileInt(std::string_view value) {
    std::size_t i = 0;
    while (i < value.size() && isBlank(value[i])) {
        ++i;
    }
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMinMagnitude = kMax + 1;
    std::int64_t magnitude = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (value[i] - '0');
        if (magnitude > kMinMagnitude) {
            magnitude = kMinMagnitude;
        }
    }
    if (negative) {
        return static_cast<std::int32_t>(-magnitude);
    }
    return static_cast<std::int32_t>(magnitude > kMax ? kMax : magnitude);
}

} // namespace moxel
