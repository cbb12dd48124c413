#include "midi/DeviceEntry.h"

namespace moxel::midi {

namespace {
constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80"; // U+3000 in UTF-8
// Values are read through a 128-byte buffer; a cut that would split a UTF-8
// character backs off by up to three bytes.
constexpr std::size_t kLongestUncutValue = 127 - 3;
} // namespace

std::string TrimDeviceName(std::string_view text) {
    const auto nul = text.find('\0');
    const std::string_view kept = text.substr(0, nul);
    std::string_view rest = kept;
    while (!rest.empty()) {
        if (rest.front() == ' ') {
            rest.remove_prefix(1);
        } else if (rest.starts_with(kIdeographicSpace)) {
            rest.remove_prefix(kIdeographicSpace.size());
        } else {
            return std::string(kept);
        }
    }
    return {};
}

std::string deviceEntryText(int id, std::string_view name) {
    std::string text = std::to_string(id + 1);
    text += '|';
    text += name;
    return text;
}

bool storedNameMatchesEntry(int id, std::string_view name, std::string_view storedName) {
    return name == storedName ||
           std::string_view(deviceEntryText(id, name)).substr(2) == storedName;
}

bool cutStoredNameBeginsEntry(std::string_view name, std::string_view storedName) {
    return storedName.size() >= kLongestUncutValue && name.starts_with(storedName);
}

std::string channelItemText(int position) {
    return std::to_string(position + 1) + "Ch";
}

int parseChannelText(std::string_view text) {
    if (text.empty() || text.size() > 2) {
        return -1;
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return -1;
        }
        value = value * 10 + (c - '0');
    }
    return value <= 15 ? value : -1;
}

} // namespace moxel::midi
