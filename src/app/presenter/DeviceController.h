#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "app/window/MainView.h"
#include "midi/MidiBackend.h"

namespace moxel {

class PreferencesController;
class RelayShared;

// One row of the per-output-device channel table.
struct ChannelTableRow {
    std::string name;    // the device's name
    std::string channel; // the stored channel text ("0".."15" when valid)
};

// The input, output and channel lists, and the one open input and output:
// listing the devices, choosing the stored default, opening what the user
// chooses, restoring an output's stored channel, and the UI's sending path.
class DeviceController {
  public:
    static constexpr int kChannelTableRows = 257;
    static constexpr int kChannelTableSearched = 256;

    DeviceController(MainView& view, MidiBackend& backend, RelayShared& relay,
                     const PreferencesController& preferences);

    // Rebuild a list and select (and so open) its default device, else the
    // first. Without any device the list shows its placeholder and the open
    // device of that direction stays open.
    void FindMidiInDevices();
    void FindMidiOutDevices();

    // The user (or a list search) chose an entry: close the open device of
    // that direction and open the chosen one.
    void inputChosen();
    void outputChosen();
    void channelChosen(int position);

    void CloseMidiIn();
    void CloseMidiOut();

    // The UI's sending path: channel rule and output lamp apply. False when no
    // output is open or the message could not be sent.
    bool send(std::uint32_t message);
    // Silences the open output, if any; it stays open.
    void resetOutput();

    // The selected position of the channel list (0 when none).
    int selectedChannel() const;
    // Follow mode moved the relay's channel: show it in the list.
    void showFollowedChannel(int position);

    // The name part of the selected entry of MidiIn or MidiOut, or nothing
    // when that entry names no device (a placeholder, the in-use marker).
    std::optional<std::string> selectedDeviceName(ListId list) const;
    // Stores the selected channel as the selected output's channel in the
    // table (the first row of its name) and returns that row; nothing when
    // the output names no device or has no row.
    std::optional<ChannelTableRow> rememberSelectedOutputChannel();

    MidiHandle inputHandle() const { return inputHandle_; }
    MidiHandle outputHandle() const { return outputHandle_; }
    const ChannelTableRow& channelTableRow(int row) const { return channelTable_.at(row); }

  private:
    // Opens the device selected in the list, rewrites its entry, reports a
    // device in use. The handle, or 0.
    MidiHandle openSelected(ListId list);
    void selectDefault(ListId list, const std::string& defaultName);
    void restoreChannel();
    void selectChannel(int position);

    MainView& view_;
    MidiBackend& backend_;
    RelayShared& relay_;
    const PreferencesController& preferences_;
    std::array<ChannelTableRow, kChannelTableRows> channelTable_{};
    MidiHandle inputHandle_ = 0;
    MidiHandle outputHandle_ = 0;
};

} // namespace moxel
