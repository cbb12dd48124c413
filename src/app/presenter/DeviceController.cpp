#include "app/presenter/DeviceController.h"

#include <utility>

#include "app/presenter/PreferencesController.h"
#include "app/presenter/ProblemTexts.h"
#include "app/window/Texts.h"
#include "midi/DeviceEntry.h"
#include "relay/RelayShared.h"

namespace moxel {

DeviceController::DeviceController(MainView& view, UiLoop& loop, ProblemSink& problems,
                                   midi::MidiBackend& backend, RelayShared& relay,
                                   const PreferencesController& preferences)
    : loop_(loop), problems_(problems), backend_(backend), relay_(relay), preferences_(preferences),
      channelList_(view, ListId::MidiCh), in_(view, ListId::MidiIn), out_(view, ListId::MidiOut) {}

void DeviceController::FindMidiInDevices() {
    findDevices(ListId::MidiIn);
}

void DeviceController::FindMidiOutDevices() {
    findDevices(ListId::MidiOut);
}

void DeviceController::findDevices(ListId list) {
    const int count = listDevices(list);
    if (list == ListId::MidiOut) {
        rebuildChannelList(count);
    }
    Slot& s = slot(list);
    if (count <= 0) {
        // Nothing selected: an open device stays open. A stored default is
        // opened once it appears.
        s.awaitedDefault = preferences_.defaultDevice(list);
        tellEvent(list, s.awaitedDefault.empty()
                            ? std::string(list == ListId::MidiIn ? midi::kMidiInNotFound
                                                                 : midi::kMidiOutNotFound)
                            : text(Text::EventAwaited, s.awaitedDefault));
        return;
    }
    s.entries.select(startupChoice(list));
    if (!s.awaitedDefault.empty()) {
        tellEvent(list, text(Text::EventAwaited, s.awaitedDefault));
    }
    s.wanted.clear(); // what opens now is wanted from here on
    openSelected(list, false);
}

void DeviceController::rebuildChannelList(int outputCount) {
    channelsOffered_ = outputCount > 0;
    std::vector<std::string> texts;
    if (!channelsOffered_) {
        texts.emplace_back(midi::kNoChannel);
    }
    for (int position = 0; channelsOffered_ && position < 16; ++position) {
        texts.push_back(midi::channelItemText(position));
    }
    channelList_.show(texts);
    selectChannel(0);
}

int DeviceController::listDevices(ListId list) {
    DeviceList& entries = slot(list).entries;
    entries.show(list == ListId::MidiIn ? backend_.inputs() : backend_.outputs());
    for (int id = 0; id < entries.deviceCount() && list == ListId::MidiOut; ++id) {
        if (const DeviceListEntry& entry = entries.at(id); entry.namesDevice()) {
            channels_.fill(id, entry.name, preferences_.storedChannel(entry.name));
        }
    }
    return entries.deviceCount();
}

int DeviceController::startupChoice(ListId list) {
    Slot& s = slot(list);
    const std::string& name = preferences_.defaultDevice(list);
    int chosen = s.entries.positionOfStored(name);
    s.awaitedDefault = chosen < 0 ? name : "";
    // An input and an output of one client can make a loop (a client that
    // sends on what it receives): fall back to an output of another client.
    for (int position = 0;
         position < s.entries.deviceCount() && chosen < 0 && list == ListId::MidiOut; ++position) {
        if (in_.handle == 0 || in_.owner.empty() || s.entries.at(position).owner != in_.owner) {
            chosen = position;
        }
    }
    return chosen < 0 ? 0 : chosen;
}

void DeviceController::CloseMidiIn() {
    if (in_.handle == 0) {
        return;
    }
    backend_.closeInput(in_.handle);
    in_.handle = 0;
    in_.openName.clear();
}

void DeviceController::startOver() {
    serviceLost_ = false;
    for (Slot* s : {&in_, &out_}) {
        s->handle = 0;
        s->openName.clear();
        s->owner.clear();
        s->wanted.clear();
        s->awaitedDefault.clear();
        s->lost.clear();
        s->userChose = false;
    }
}

void DeviceController::CloseMidiOut() {
    if (out_.handle == 0) {
        return;
    }
    backend_.resetOutput(out_.handle);
    backend_.closeOutput(out_.handle);
    out_.handle = 0;
    out_.openName.clear();
}

// Opens the device selected in the list, shows it in its entry, reports a
// device in use. The handle, or 0.
midi::MidiHandle DeviceController::open(ListId list, bool automatic) {
    const bool input = list == ListId::MidiIn;
    DeviceList& entries = slot(list).entries;
    // The backend's id is the entry's position, whatever the entry stands for
    // (choosing the placeholder opens device 0, which is not there).
    const int id = entries.selectedPosition();
    const DeviceListEntry chosen = entries.at(id);
    const std::string name = chosen.id >= 0 ? chosen.name : "";
    if (!input) {
        // The relay may send as soon as the output is connected: its stored
        // channel is the relay's before that, not after.
        relay_.outputChannel.store(storedChannel(name).value_or(selectedChannel()));
    }
    midi::MidiHandle handle = 0;
    switch (input ? backend_.openInput(id, handle) : backend_.openOutput(id, handle)) {
    case midi::OpenResult::InUse:
        if (!automatic) {
            problems_.tell(deviceInUse(name, input));
        }
        entries.showInUse(id);
        break;
    case midi::OpenResult::Ok: {
        const std::string openName = midi::TrimDeviceName(backend_.openName(handle));
        entries.showOpened(id, openName);
        Slot& s = slot(list);
        s.openName = s.wanted = openName;
        s.owner = chosen.owner;
        if (s.awaitedDefault == openName) {
            s.awaitedDefault.clear();
        }
        return handle;
    }
    case midi::OpenResult::Failed:
        break;
    }
    if (!input) {
        relay_.outputChannel.store(selectedChannel()); // the list keeps its channel
    }
    return 0;
}

void DeviceController::openSelected(ListId list, bool automatic) {
    if (list == ListId::MidiIn) {
        CloseMidiIn();
        in_.handle = open(list, automatic);
        if (in_.handle != 0) {
            backend_.startInput(in_.handle);
        }
    } else {
        CloseMidiOut();
        out_.handle = open(list, automatic);
        if (out_.handle != 0) {
            selectChannel(storedChannel(out_.openName).value_or(selectedChannel()));
        }
    }
    if (Slot& s = slot(list); s.handle != 0) {
        const bool back = s.openName == std::exchange(s.lost, "");
        tellEvent(list, text(back ? Text::EventBack : Text::EventOpened, s.openName), true);
    }
}

bool DeviceController::absentEntrySelected(ListId list) const {
    const Slot& s = slot(list);
    const DeviceListEntry& entry = s.entries.selected();
    return !s.wanted.empty() && s.handle == 0 && entry.state == EntryState::Absent &&
           entry.name == s.wanted;
}

void DeviceController::defaultChosen(ListId list) {
    slot(list).awaitedDefault.clear();
}

void DeviceController::inputChosen(int position) {
    chosen(ListId::MidiIn, position);
}

void DeviceController::outputChosen(int position) {
    chosen(ListId::MidiOut, position);
}

void DeviceController::chosen(ListId list, int position) {
    Slot& s = slot(list);
    s.entries.select(position);
    if (absentEntrySelected(list)) {
        return; // still waiting for it
    }
    s.userChose = true;
    s.awaitedDefault.clear();
    s.wanted.clear();
    openSelected(list, false);
}

void DeviceController::devicesChanged() {
    if (!backend_.serviceAvailable()) {
        noteService(false);
        for (const ListId list : {ListId::MidiIn, ListId::MidiOut}) {
            closeVanished(list);
            listDevices(list);
            if (!slot(list).wanted.empty()) {
                slot(list).entries.showAbsent(slot(list).wanted);
            }
        }
        loop_.setServiceSearchActive(true);
        return;
    }
    loop_.setServiceSearchActive(false);
    noteService(true);
    refresh(ListId::MidiIn);
    refresh(ListId::MidiOut);
}

void DeviceController::noteService(bool available) {
    if (serviceLost_ == available) {
        serviceLost_ = !available;
        problems_.event(
            std::string(text(available ? Text::EventServiceBack : Text::EventServiceLost)));
    }
}

void DeviceController::lookForService() {
    if (backend_.lookForService()) {
        devicesChanged();
    }
}

void DeviceController::tellServiceProblem() {
    noteService(false);
    if (const std::optional<Problem> problem = serviceUnreachable(backend_.serviceProblem())) {
        problems_.tell(*problem);
    }
}

void DeviceController::refresh(ListId list) {
    Slot& s = slot(list);
    const bool hadOutputs = list == ListId::MidiOut && channelsOffered_;
    const int count = listDevices(list);
    if (list == ListId::MidiOut && count > 0 && !hadOutputs) {
        rebuildChannelList(count);
    }
    if (s.handle != 0 &&
        (s.entries.positionOf(s.openName) < 0 || !backend_.deviceConnected(s.handle))) {
        closeVanished(list); // its port went away (and maybe came back already)
    }
    std::string target = s.wanted;
    if (!s.userChose && s.entries.positionOf(s.awaitedDefault) >= 0) {
        target = s.awaitedDefault;
    } else if (target.empty() && !s.userChose && count > 0) {
        const DeviceListEntry& choice = s.entries.at(startupChoice(list));
        target = choice.namesDevice() ? choice.name : "";
    }
    const int at = s.entries.positionOf(target);
    if (at < 0) {
        if (!target.empty()) {
            s.entries.showAbsent(target);
        }
        return;
    }
    s.entries.select(at);
    if (s.handle == 0 || s.openName != target) {
        openSelected(list, true);
    }
}

// The device's port went away: close it without a reset (nothing would hear
// it). An input's held notes are released at the output at once; an
// output's sounding notes are released when it comes back.
void DeviceController::closeVanished(ListId list) {
    Slot& s = slot(list);
    if (s.handle != 0) {
        list == ListId::MidiIn ? backend_.closeInput(s.handle) : backend_.closeOutput(s.handle);
        s.lost = s.openName;
        tellEvent(list, text(Text::EventLost, s.openName));
    }
    s.handle = 0;
    s.openName.clear();
}

void DeviceController::tellEvent(ListId list, const std::string& what, bool withChannel) {
    std::string side = list == ListId::MidiIn ? "MIDI IN" : "MIDI OUT";
    if (withChannel && list == ListId::MidiOut && preferences_.followInputChannel() == 0) {
        side += " " + midi::channelItemText(selectedChannel());
    }
    problems_.event(side + ": " + what);
}

std::vector<std::string> DeviceController::absentDevices() const {
    std::vector<std::string> absent;
    for (const Slot* s : {&in_, &out_}) {
        if (!s->wanted.empty() && s->handle == 0) {
            absent.push_back(s->wanted);
        }
    }
    return absent;
}

// The stored channel of an output by its name; nothing when it has no row or
// the row holds no channel (the current one stays).
std::optional<int> DeviceController::storedChannel(const std::string& name) const {
    return channels_.storedPosition(name, channelList_.count());
}

void DeviceController::channelChosen(int position) {
    selectChannel(position);
}

void DeviceController::selectChannel(int position) {
    channelList_.select(position);
    relay_.outputChannel.store(position);
}

void DeviceController::showFollowedChannel(int position) {
    channelList_.select(position);
}

int DeviceController::selectedChannel() const {
    const int position = channelList_.selected();
    return position < 0 ? 0 : position;
}

bool DeviceController::send(std::uint32_t message) {
    if (out_.handle == 0) {
        return false;
    }
    return backend_.sendShort(out_.handle, message);
}

void DeviceController::resetOutput() {
    if (out_.handle != 0) {
        backend_.resetOutput(out_.handle);
    }
}

std::optional<std::string> DeviceController::selectedDeviceName(ListId list) const {
    const DeviceListEntry& entry = slot(list).entries.selected();
    if (!entry.namesDevice()) {
        return std::nullopt;
    }
    return entry.name;
}

std::optional<ChannelTableRow> DeviceController::rememberSelectedOutputChannel() {
    const std::optional<std::string> name = selectedDeviceName(ListId::MidiOut);
    if (!name) {
        return std::nullopt;
    }
    return channels_.remember(*name, selectedChannel());
}

} // namespace moxel
