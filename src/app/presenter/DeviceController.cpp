#include "app/presenter/DeviceController.h"

#include "app/presenter/PreferencesController.h"
#include "midi/DeviceEntry.h"
#include "relay/RelayShared.h"

namespace moxel {

namespace {

const char* const kInUseLine1In = "このMIDI Inデバイスは、現在使用できません。";
const char* const kInUseLine1Out = "このMIDI Outデバイスは、現在使用できません。";
const char* const kInUseLine2 = "他のアプリケーションが使用している可能性があります。";

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

std::string inUseMessage(const std::string& name, const char* line) {
    return name + "\r\n\r\n" + line + "\r\n" + kInUseLine2;
}

// Placeholders, failed name queries and the in-use marker all start with
// "---": such an entry names no device.
bool namesNoDevice(const std::string& entry) {
    return entry.starts_with("---") || entryNamePart(entry).starts_with("---");
}

} // namespace

DeviceController::DeviceController(MainView& view, MidiBackend& backend, RelayShared& relay,
                                   const PreferencesController& preferences)
    : view_(view), backend_(backend), relay_(relay), preferences_(preferences) {}

void DeviceController::selectDefault(ListId list, const std::string& defaultName) {
    const int count = view_.listCount(list);
    int chosen = -1;
    for (int position = 0; position < count && chosen < 0; ++position) {
        if (storedNameMatchesEntry(view_.listItem(list, position), defaultName)) {
            chosen = position;
        }
    }
    for (int position = 0; position < count && chosen < 0; ++position) {
        if (cutStoredNameBeginsEntry(view_.listItem(list, position), defaultName)) {
            chosen = position;
        }
    }
    view_.selectIndex(list, chosen < 0 ? 0 : chosen);
    if (list == ListId::MidiIn) {
        inputChosen();
    } else {
        outputChosen();
    }
}

void DeviceController::FindMidiInDevices() {
    view_.clearList(ListId::MidiIn);
    const int count = backend_.inputCount();
    if (count <= 0) {
        view_.addListItem(ListId::MidiIn, std::string(kMidiInNotFound));
        return; // nothing selected: an open input stays open
    }
    for (int id = 0; id < count; ++id) {
        view_.addListItem(ListId::MidiIn, entryFor(id, backend_.inputCaps(id), true));
    }
    selectDefault(ListId::MidiIn, preferences_.defaultDevice(ListId::MidiIn));
}

void DeviceController::FindMidiOutDevices() {
    view_.clearList(ListId::MidiCh);
    view_.clearList(ListId::MidiOut);
    const int count = backend_.outputCount();
    if (count <= 0) {
        view_.addListItem(ListId::MidiOut, std::string(kMidiOutNotFound));
        view_.addListItem(ListId::MidiCh, std::string(kNoChannel));
        selectChannel(0);
        return; // nothing selected: an open output stays open
    }
    for (int position = 0; position < 16; ++position) {
        view_.addListItem(ListId::MidiCh, channelItemText(position));
    }
    selectChannel(0);
    for (int id = 0; id < count; ++id) {
        const DeviceCaps caps = backend_.outputCaps(id);
        view_.addListItem(ListId::MidiOut, entryFor(id, caps, false));
        if (caps.result == CapsResult::Ok && id < kChannelTableRows) {
            const std::string name = TrimDeviceName(caps.name);
            channelTable_[id] = {name, preferences_.storedChannel(name)};
        }
    }
    selectDefault(ListId::MidiOut, preferences_.defaultDevice(ListId::MidiOut));
}

void DeviceController::CloseMidiIn() {
    if (inputHandle_ == 0) {
        return;
    }
    backend_.closeInput(inputHandle_);
    inputHandle_ = 0;
}

void DeviceController::CloseMidiOut() {
    if (outputHandle_ == 0) {
        return;
    }
    backend_.resetOutput(outputHandle_);
    backend_.closeOutput(outputHandle_);
    outputHandle_ = 0;
}

MidiHandle DeviceController::openSelected(ListId list) {
    const bool input = list == ListId::MidiIn;
    const int id = view_.selectedIndex(list);
    const DeviceCaps caps = input ? backend_.inputCaps(id) : backend_.outputCaps(id);
    const std::string name = TrimDeviceName(caps.result == CapsResult::Ok ? caps.name : "");
    MidiHandle handle = 0;
    switch (input ? backend_.openInput(id, handle) : backend_.openOutput(id, handle)) {
    case OpenResult::InUse:
        view_.messageBox(inUseMessage(name, input ? kInUseLine1In : kInUseLine1Out),
                         input ? "Midi In Device Open Error" : "Midi Out Device Open Error",
                         MessageIcon::Information);
        view_.setListItem(list, id, deviceEntryText(id, kAllocOther));
        return 0;
    case OpenResult::Ok:
        view_.setListItem(list, id, deviceEntryText(id, name));
        return handle;
    case OpenResult::Failed:
        break;
    }
    return 0;
}

void DeviceController::inputChosen() {
    CloseMidiIn();
    inputHandle_ = openSelected(ListId::MidiIn);
    if (inputHandle_ != 0) {
        backend_.startInput(inputHandle_);
    }
}

void DeviceController::outputChosen() {
    CloseMidiOut();
    outputHandle_ = openSelected(ListId::MidiOut);
    if (outputHandle_ != 0) {
        restoreChannel();
    }
}

void DeviceController::restoreChannel() {
    const std::string namePart =
        entryNamePart(view_.listItem(ListId::MidiOut, view_.selectedIndex(ListId::MidiOut)));
    for (int row = 0; row < kChannelTableSearched; ++row) {
        if (channelTable_[row].name == namePart) {
            const int position = parseChannelText(channelTable_[row].channel);
            // A stored text that is no channel (edited by hand) keeps the
            // current channel.
            if (position >= 0 && position < view_.listCount(ListId::MidiCh)) {
                selectChannel(position);
            }
            return;
        }
    }
}

void DeviceController::channelChosen(int position) {
    relay_.channelPosition.store(position);
}

void DeviceController::selectChannel(int position) {
    view_.selectIndex(ListId::MidiCh, position);
    relay_.channelPosition.store(position);
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
    if (outputHandle_ == 0) {
        return false;
    }
    return backend_.sendShort(outputHandle_, message);
}

void DeviceController::resetOutput() {
    if (outputHandle_ != 0) {
        backend_.resetOutput(outputHandle_);
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
