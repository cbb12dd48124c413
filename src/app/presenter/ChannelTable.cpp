#include "app/presenter/ChannelTable.h"

#include <utility>

#include "midi/DeviceEntry.h"

namespace moxel {

void ChannelTable::fill(int id, std::string name, std::string channel) {
    if (id >= 0 && id < kRows) {
        rows_[static_cast<std::size_t>(id)] = {std::move(name), std::move(channel)};
    }
}

int ChannelTable::find(const std::string& name) const {
    for (int id = 0; id < kSearched; ++id) {
        if (rows_[static_cast<std::size_t>(id)].name == name) {
            return id;
        }
    }
    return -1;
}

std::optional<int> ChannelTable::storedPosition(const std::string& name, int channelCount) const {
    const int id = find(name);
    const int position = id < 0 ? -1 : midi::parseChannelText(row(id).channel);
    if (position < 0 || position >= channelCount) {
        return std::nullopt;
    }
    return position;
}

std::optional<ChannelTableRow> ChannelTable::remember(const std::string& name, int position) {
    const int id = find(name);
    if (id < 0) {
        return std::nullopt;
    }
    rows_[static_cast<std::size_t>(id)].channel = std::to_string(position);
    return row(id);
}

} // namespace moxel
