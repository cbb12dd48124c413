#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
//
// Each list wants a device: the one the user chose, or the one the start-up
// choice opened. When it vanishes it stays wanted and the list shows it as
// not connected; when a device of that name is back, it is opened again with
// its stored channel. A stored default that was absent when the list was
// built is opened as soon as it appears, unless the user has chosen another
// device in that list since.
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

    // The user chose an entry: close the open device of that direction and
    // open the chosen one.
    void inputChosen();
    void outputChosen();
    void channelChosen(int position);
    // The user made the device open in that list the default: a default
    // stored before and still awaited is not waited for any more.
    void defaultChosen(ListId list);

    // Devices came or went, or the service went away: look again, close what
    // vanished, reopen what is wanted and back. Without a service the search
    // for one runs (lookForService, once a second) until it is back.
    void devicesChanged();
    void lookForService();
    // The wanted devices that are not connected, by name.
    std::vector<std::string> absentDevices() const;

    void CloseMidiIn();
    void CloseMidiOut();
    // Another MIDI system serves from here on: nothing of this one is wanted
    // or awaited any more (close the devices first).
    void startOver();

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

    MidiHandle inputHandle() const { return in_.handle; }
    MidiHandle outputHandle() const { return out_.handle; }
    const ChannelTableRow& channelTableRow(int row) const { return channelTable_.at(row); }

  private:
    // What one device list holds open and wants.
    struct Slot {
        MidiHandle handle = 0;          // the open device, 0 when none
        std::string openName;           // its name
        std::string owner;              // what it belongs to
        std::string wanted;             // the device this list wants, "" when none
        std::string awaitedDefault;     // the stored default, absent when last looked for
        bool userChose = false;         // the user chose an entry of this list
        std::vector<DeviceCaps> listed; // the devices as last listed, by position
    };

    Slot& slot(ListId list) { return list == ListId::MidiIn ? in_ : out_; }
    const Slot& slot(ListId list) const { return list == ListId::MidiIn ? in_ : out_; }

    void findDevices(ListId list);
    void rebuildChannelList(int outputCount);
    // Fills the list with one entry per device (the placeholder when there is
    // none) and returns the number of devices.
    int listDevices(ListId list);
    int positionOf(ListId list, int count, const std::string& name) const;
    // The stored default, else the first device (for outputs the first that
    // does not belong to what the open input belongs to).
    int startupChoice(ListId list, int count);
    void refresh(ListId list);
    // Closes the open device of that list and opens the selected entry;
    // an automatic open reports a device in use by its entry only.
    void openSelected(ListId list, bool automatic);
    MidiHandle open(ListId list, bool automatic);
    void closeVanished(ListId list);
    void showAbsent(ListId list, const std::string& name);
    bool absentEntrySelected(ListId list) const;
    // The stored channel of an output by its entry's name part; nothing when
    // it has no row or the row holds no channel.
    std::optional<int> storedChannel(const std::string& namePart) const;
    void restoreChannel();
    void selectChannel(int position);

    MainView& view_;
    MidiBackend& backend_;
    RelayShared& relay_;
    const PreferencesController& preferences_;
    std::array<ChannelTableRow, kChannelTableRows> channelTable_{};
    Slot in_;
    Slot out_;
};

} // namespace moxel
