#include "app/presenter/DeviceController.h"

#include "app/presenter/PreferencesController.h"
#include "app/window/Texts.h"
#include "midi/DeviceEntry.h"
#include "relay/RelayShared.h"

namespace moxel {

namespace {

// The entry of a wanted device that is not connected; it names no device
// (it starts with "---"), so it is never stored as a default.
std::string absentEntryText(const std::string& name) {
    return text(Text::NotConnectedEntry, name);
}

std::string entryFor(int id, const DeviceCaps& caps, bool inputDirection) {
    switch (caps.result) {
    case CapsResult::Ok:
        return deviceEntryText(id, TrimDeviceName(caps.name));
    case CapsResult::Allocated:
        if (inputDirection) {
            return deviceEntryText(id, kAllocOther);
        }
        [[fallthrough]];
    case CapsResult::Failed:
        break;
    }
    return deviceEntryText(id, kCapsFailed);
}

std::string inUseMessage(const std::string& name, bool input) {
    return name + "\r\n\r\n" + std::string(text(input ? Text::InUseIn : Text::InUseOut)) + "\r\n" +
           std::string(text(Text::InUseOther));
}

// Placeholders, failed name queries and the in-use and not-connected markers
// all start with "---": such an entry names no device.
bool namesNoDevice(const std::string& entry) {
    return entry.starts_with("---") || entryNamePart(entry).starts_with("---");
}

} // namespace

DeviceController::DeviceController(MainView& view, MidiBackend& backend, RelayShared& relay,
                                   const PreferencesController& preferences)
    : view_(view), backend_(backend), relay_(relay), preferences_(preferences) {}

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
    if (count <= 0) {
        // Nothing selected: an open device stays open. A stored default is
        // opened once it appears.
        slot(list).awaitedDefault = preferences_.defaultDevice(list);
        return;
    }
    view_.selectIndex(list, startupChoice(list, count));
    slot(list).wanted.clear(); // what opens now is wanted from here on
    openSelected(list, false);
}

void DeviceController::rebuildChannelList(int outputCount) {
    view_.clearList(ListId::MidiCh);
    if (outputCount <= 0) {
        view_.addListItem(ListId::MidiCh, std::string(kNoChannel));
    }
    for (int position = 0; outputCount > 0 && position < 16; ++position) {
        view_.addListItem(ListId::MidiCh, channelItemText(position));
    }
    selectChannel(0);
}

int DeviceController::listDevices(ListId list) {
    const bool input = list == ListId::MidiIn;
    Slot& s = slot(list);
    view_.clearList(list);
    s.listed = input ? backend_.inputs() : backend_.outputs();
    const int count = static_cast<int>(s.listed.size());
    if (count <= 0) {
        view_.addListItem(list, std::string(input ? kMidiInNotFound : kMidiOutNotFound));
        return 0;
    }
    for (int id = 0; id < count; ++id) {
        const DeviceCaps& caps = s.listed[static_cast<std::size_t>(id)];
        view_.addListItem(list, entryFor(id, caps, input));
        if (!input && caps.result == CapsResult::Ok && id < kChannelTableRows) {
            const std::string name = TrimDeviceName(caps.name);
            channelTable_[id] = {name, preferences_.storedChannel(name)};
        }
    }
    return count;
}

int DeviceController::positionOf(ListId list, int count, const std::string& name) const {
    for (int position = 0; position < count && !name.empty(); ++position) {
        const std::string entry = view_.listItem(list, position);
        if (!namesNoDevice(entry) && entryNamePart(entry) == name) {
            return position;
        }
    }
    return -1;
}

int DeviceController::startupChoice(ListId list, int count) {
    const std::string& name = preferences_.defaultDevice(list);
    int chosen = -1;
    for (int position = 0; position < count && chosen < 0; ++position) {
        if (storedNameMatchesEntry(view_.listItem(list, position), name)) {
            chosen = position;
        }
    }
    for (int position = 0; position < count && chosen < 0; ++position) {
        if (cutStoredNameBeginsEntry(view_.listItem(list, position), name)) {
            chosen = position;
        }
    }
    Slot& s = slot(list);
    s.awaitedDefault = chosen < 0 ? name : "";
    // An input and an output of one client can make a loop (a client that
    // sends on what it receives): fall back to an output of another client.
    for (int position = 0; position < count && chosen < 0 && list == ListId::MidiOut; ++position) {
        if (in_.handle == 0 || in_.owner.empty() ||
            s.listed[static_cast<std::size_t>(position)].owner != in_.owner) {
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
    in_ = {};
    out_ = {};
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

// Opens the device selected in the list, rewrites its entry, reports a
// device in use. The handle, or 0.
MidiHandle DeviceController::open(ListId list, bool automatic) {
    const bool input = list == ListId::MidiIn;
    const int id = view_.selectedIndex(list);
    const std::vector<DeviceCaps>& listed = slot(list).listed;
    const DeviceCaps caps = id >= 0 && id < static_cast<int>(listed.size())
                                ? listed[static_cast<std::size_t>(id)]
                                : DeviceCaps{};
    const std::string name = TrimDeviceName(caps.result == CapsResult::Ok ? caps.name : "");
    if (!input) {
        // The relay may send as soon as the output is connected: its stored
        // channel is the relay's before that, not after.
        relay_.outputChannel.store(
            storedChannel(entryNamePart(deviceEntryText(id, name))).value_or(selectedChannel()));
    }
    MidiHandle handle = 0;
    switch (input ? backend_.openInput(id, handle) : backend_.openOutput(id, handle)) {
    case OpenResult::InUse:
        if (!automatic) {
            view_.messageBox(inUseMessage(name, input),
                             std::string(text(input ? Text::InUseTitleIn : Text::InUseTitleOut)),
                             MessageIcon::Information);
        }
        view_.setListItem(list, id, deviceEntryText(id, kAllocOther));
        break;
    case OpenResult::Ok: {
        const std::string openName = TrimDeviceName(backend_.openName(handle));
        view_.setListItem(list, id, deviceEntryText(id, openName));
        Slot& s = slot(list);
        s.openName = s.wanted = openName;
        s.owner = caps.owner;
        if (s.awaitedDefault == openName) {
            s.awaitedDefault.clear();
        }
        return handle;
    }
    case OpenResult::Failed:
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
            restoreChannel();
        }
    }
}

bool DeviceController::absentEntrySelected(ListId list) const {
    const Slot& s = slot(list);
    return !s.wanted.empty() && s.handle == 0 &&
           view_.listItem(list, view_.selectedIndex(list)) == absentEntryText(s.wanted);
}

void DeviceController::defaultChosen(ListId list) {
    slot(list).awaitedDefault.clear();
}

void DeviceController::inputChosen() {
    if (absentEntrySelected(ListId::MidiIn)) {
        return; // still waiting for it
    }
    in_.userChose = true;
    in_.awaitedDefault.clear();
    in_.wanted.clear();
    openSelected(ListId::MidiIn, false);
}

void DeviceController::outputChosen() {
    if (absentEntrySelected(ListId::MidiOut)) {
        return;
    }
    out_.userChose = true;
    out_.awaitedDefault.clear();
    out_.wanted.clear();
    openSelected(ListId::MidiOut, false);
}

void DeviceController::devicesChanged() {
    if (!backend_.serviceAvailable()) {
        for (const ListId list : {ListId::MidiIn, ListId::MidiOut}) {
            closeVanished(list);
            listDevices(list);
            showAbsent(list, slot(list).wanted);
        }
        view_.setServiceSearchActive(true);
        return;
    }
    view_.setServiceSearchActive(false);
    refresh(ListId::MidiIn);
    refresh(ListId::MidiOut);
}

void DeviceController::lookForService() {
    if (backend_.connectService()) {
        devicesChanged();
    }
}

void DeviceController::refresh(ListId list) {
    Slot& s = slot(list);
    const bool hadOutputs = list == ListId::MidiOut && view_.listCount(ListId::MidiCh) == 16;
    const int count = listDevices(list);
    if (list == ListId::MidiOut && count > 0 && !hadOutputs) {
        rebuildChannelList(count);
    }
    if (s.handle != 0 &&
        (positionOf(list, count, s.openName) < 0 || !backend_.deviceConnected(s.handle))) {
        closeVanished(list); // its port went away (and maybe came back already)
    }
    std::string target = s.wanted;
    if (!s.userChose && positionOf(list, count, s.awaitedDefault) >= 0) {
        target = s.awaitedDefault;
    } else if (target.empty() && !s.userChose && count > 0) {
        target = entryNamePart(view_.listItem(list, startupChoice(list, count)));
    }
    const int at = positionOf(list, count, target);
    if (at < 0) {
        showAbsent(list, target);
        return;
    }
    view_.selectIndex(list, at);
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
    }
    s.handle = 0;
    s.openName.clear();
}

void DeviceController::showAbsent(ListId list, const std::string& name) {
    if (!name.empty()) {
        view_.addListItem(list, absentEntryText(name));
        view_.selectIndex(list, view_.listCount(list) - 1);
    }
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

std::optional<int> DeviceController::storedChannel(const std::string& namePart) const {
    for (int row = 0; row < kChannelTableSearched; ++row) {
        if (channelTable_[row].name == namePart) {
            const int position = parseChannelText(channelTable_[row].channel);
            // A stored text that is no channel (edited by hand) keeps the
            // current channel.
            if (position >= 0 && position < view_.listCount(ListId::MidiCh)) {
                return position;
            }
            return std::nullopt;
        }
    }
    return std::nullopt;
}

void DeviceController::restoreChannel() {
    const std::string namePart =
        entryNamePart(view_.listItem(ListId::MidiOut, view_.selectedIndex(ListId::MidiOut)));
    selectChannel(storedChannel(namePart).value_or(selectedChannel()));
}

void DeviceController::channelChosen(int position) {
    relay_.outputChannel.store(position);
}

void DeviceController::selectChannel(int position) {
    view_.selectIndex(ListId::MidiCh, position);
    relay_.outputChannel.store(position);
}

void DeviceController::showFollowedChannel(int position) {
    if (position < view_.listCount(ListId::MidiCh)) {
        view_.selectIndex(ListId::MidiCh, position);
    }
}

int DeviceController::selectedChannel() const {
    const int position = view_.selectedIndex(ListId::MidiCh);
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
    const int selected = view_.selectedIndex(list);
    if (selected < 0) {
        return std::nullopt;
    }
    const std::string entry = view_.listItem(list, selected);
    if (namesNoDevice(entry)) {
        return std::nullopt;
    }
    return entryNamePart(entry);
}

std::optional<ChannelTableRow> DeviceController::rememberSelectedOutputChannel() {
    const std::optional<std::string> name = selectedDeviceName(ListId::MidiOut);
    if (!name) {
        return std::nullopt;
    }
    for (int row = 0; row < kChannelTableSearched; ++row) {
        if (channelTable_[row].name == *name) {
            channelTable_[row].channel = std::to_string(selectedChannel());
            return channelTable_[row];
        }
    }
    return std::nullopt;
}

} // namespace moxel
