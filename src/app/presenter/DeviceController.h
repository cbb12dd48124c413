#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/presenter/ChannelTable.h"
#include "app/presenter/ChoiceList.h"
#include "app/presenter/DeviceList.h"
#include "app/presenter/ProblemSink.h"
#include "app/window/MainView.h"
#include "app/window/UiLoop.h"
#include "midi/MidiBackend.h"

namespace moxel {

class PreferencesController;
class RelayShared;

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
//
// What the window shows of this by itself (a device opened, lost or back, a
// stored default awaited, the MIDI service lost or back) it tells the problem
// sink as events, for a program without a window.
//
// Of the relay's shared state it writes the output channel (outputChannel):
// the channel chosen or restored in the list is the one the relay puts on
// what it sends, and an output's stored channel is the relay's before the
// output is connected, since the relay may send from that moment on.
class DeviceController {
  public:
    DeviceController(MainView& view, UiLoop& loop, ProblemSink& problems,
                     midi::MidiBackend& backend, RelayShared& relay,
                     const PreferencesController& preferences);

    // Rebuild a list and select (and so open) its default device, else the
    // first. Without any device the list shows its placeholder and the open
    // device of that direction stays open.
    void FindMidiInDevices();
    void FindMidiOutDevices();

    // The user chose the entry at that position: close the open device of
    // that direction and open the chosen one.
    void inputChosen(int position);
    void outputChosen(int position);
    void channelChosen(int position);
    // The user made the device open in that list the default: a default
    // stored before and still awaited is not waited for any more.
    void defaultChosen(ListId list);

    // Devices came or went, or the service went away: look again, close what
    // vanished, reopen what is wanted and back. Without a service the search
    // for one runs (lookForService, once a second) until it is back.
    void devicesChanged();
    void lookForService();
    // The service cannot be reached (at the start, or chosen in the menu):
    // tells that once, and why where that is the user's to put right (the
    // window: on the error output and in a box). The search itself says
    // nothing.
    void tellServiceProblem();
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

    // The name of the device the selected entry of MidiIn or MidiOut names,
    // or nothing when it names none (a placeholder, a marker).
    std::optional<std::string> selectedDeviceName(ListId list) const;
    // Stores the selected channel as the selected output's channel in the
    // table (the first row of its name) and returns that row; nothing when
    // the output names no device or has no row.
    std::optional<ChannelTableRow> rememberSelectedOutputChannel();

    midi::MidiHandle inputHandle() const { return in_.handle; }
    midi::MidiHandle outputHandle() const { return out_.handle; }
    const ChannelTable& channels() const { return channels_; }

  private:
    // One device list and what it holds open and wants.
    struct Slot {
        Slot(MainView& view, ListId list) : entries(view, list) {}
        DeviceList entries;
        midi::MidiHandle handle = 0; // the open device, 0 when none
        std::string openName;        // its name
        std::string owner;           // what it belongs to
        std::string wanted;          // the device this list wants, "" when none
        std::string awaitedDefault;  // the stored default, absent when last looked for
        std::string lost;            // the open device that went away, until one opens
        bool userChose = false;      // the user chose an entry of this list
    };

    Slot& slot(ListId list) { return list == ListId::MidiIn ? in_ : out_; }
    const Slot& slot(ListId list) const { return list == ListId::MidiIn ? in_ : out_; }

    void findDevices(ListId list);
    // The 16 channels while there are outputs, else the entry that says
    // there is no channel; channel 0 selected.
    void rebuildChannelList(int outputCount);
    void chosen(ListId list, int position);
    // Lists the devices (the placeholder when there is none; the outputs'
    // rows of the channel table) and returns their number.
    int listDevices(ListId list);
    // The stored default, else the first device (for outputs the first that
    // does not belong to what the open input belongs to).
    int startupChoice(ListId list);
    void refresh(ListId list);
    // Closes the open device of that list and opens the selected entry;
    // an automatic open reports a device in use by its entry only.
    void openSelected(ListId list, bool automatic);
    midi::MidiHandle open(ListId list, bool automatic);
    void closeVanished(ListId list);
    // Tells an event of that list's device: "MIDI IN: " or "MIDI OUT: " (with
    // the output's channel in rewrite mode, withChannel) before what.
    void tellEvent(ListId list, const std::string& what, bool withChannel = false);
    // Tells when the service was lost, or is back.
    void noteService(bool available);
    bool absentEntrySelected(ListId list) const;
    std::optional<int> storedChannel(const std::string& name) const;
    void selectChannel(int position);

    UiLoop& loop_;
    ProblemSink& problems_;
    midi::MidiBackend& backend_;
    RelayShared& relay_;
    const PreferencesController& preferences_;
    ChannelTable channels_;
    ChoiceList channelList_;
    bool channelsOffered_ = false; // the channel list offers the 16 channels
    bool serviceLost_ = false;     // told that the service cannot be reached
    Slot in_;
    Slot out_;
};

} // namespace moxel
