#pragma once

#include <array>
#include <optional>
#include <string>

namespace moxel {

// One row of the channel table: an output device and its stored channel.
struct ChannelTableRow {
    std::string name;    // the device's name
    std::string channel; // the stored channel text ("0".."15" when valid)
};

// The channel each output device had stored, by device id: rows 0..256,
// filled by each listing of the outputs from setting.ini and never cleared
// (a row whose device went, or could not be read this time, keeps what it
// had). A device is looked up by name in rows 0..255, the first equal row
// answering, so two devices of one name share the lower one's row.
class ChannelTable {
  public:
    static constexpr int kRows = 257;
    static constexpr int kSearched = 256;

    // Row id holds the listed device's name and its stored channel text; an
    // id beyond the table is not kept.
    void fill(int id, std::string name, std::string channel);
    // The channel stored for the output of that name, when its row holds a
    // whole number below channelCount (a text edited by hand is no channel).
    std::optional<int> storedPosition(const std::string& name, int channelCount) const;
    // The channel position becomes the stored channel of the output of that
    // name (its first row); the row, or nothing when no row has that name.
    std::optional<ChannelTableRow> remember(const std::string& name, int position);

    const ChannelTableRow& row(int id) const { return rows_.at(static_cast<std::size_t>(id)); }

  private:
    int find(const std::string& name) const; // -1: no row of that name

    std::array<ChannelTableRow, kRows> rows_{};
};

} // namespace moxel
