// The main window's device lists, and opening and closing its one input and
// one output.
#include "app/FrmMIDIMain.h"
#include "midi/DeviceEntry.h"

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

} // namespace

void FrmMIDIMain::selectDefault(ListId list, const std::string& defaultName) {
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
        CmbMidiIn_Click();
    } else {
        CmbMidiOut_Click();
    }
}

void FrmMIDIMain::FindMidiInDevices() {
    view_.clearList(ListId::MidiIn);
    const int count = backend_.inputCount();
    if (count <= 0) {
        view_.addListItem(ListId::MidiIn, std::string(kMidiInNotFound));
        return; // nothing selected: an open input stays open
    }
    for (int id = 0; id < count; ++id) {
        view_.addListItem(ListId::MidiIn, entryFor(id, backend_.inputCaps(id), true));
    }
    selectDefault(ListId::MidiIn, strDefaultMidiIn_);
}

std::string FrmMIDIMain::readDeviceChannel(const std::string& name) {
    if (!settings_) {
        return "0";
    }
    // A key can never hold a newline, so this default tells "missing" apart.
    static const std::string missing = "\n";
    std::string value = settings_->readString(name, missing);
    if (value == missing) {
        // Older versions keyed devices numbered 10 and above by "|" + name.
        value = settings_->readString("|" + name, "0");
    }
    return TrimDeviceName(value);
}

void FrmMIDIMain::FindMidiOutDevices() {
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
            strMidiOutChTable_[id] = {name, readDeviceChannel(name)};
        }
    }
    selectDefault(ListId::MidiOut, strDefaultMidiOut_);
}

void FrmMIDIMain::CloseMidiIn() {
    if (lngHMidiIn_ == 0) {
        return;
    }
    backend_.closeInput(lngHMidiIn_);
    lngHMidiIn_ = 0;
}

void FrmMIDIMain::CloseMidiOut() {
    if (lngHMidiOut_ == 0) {
        return;
    }
    backend_.resetOutput(lngHMidiOut_);
    backend_.closeOutput(lngHMidiOut_);
    lngHMidiOut_ = 0;
}

MidiHandle FrmMIDIMain::openSelected(ListId list) {
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

void FrmMIDIMain::CmbMidiIn_Click() {
    CloseMidiIn();
    lngHMidiIn_ = openSelected(ListId::MidiIn);
    if (lngHMidiIn_ != 0) {
        backend_.startInput(lngHMidiIn_);
    }
}

void FrmMIDIMain::CmbMidiOut_Click() {
    CloseMidiOut();
    lngHMidiOut_ = openSelected(ListId::MidiOut);
    if (lngHMidiOut_ != 0) {
        restoreChannel();
    }
}

void FrmMIDIMain::restoreChannel() {
    const std::string namePart =
        entryNamePart(view_.listItem(ListId::MidiOut, view_.selectedIndex(ListId::MidiOut)));
    for (int row = 0; row < kChannelTableSearched; ++row) {
        if (strMidiOutChTable_[row].name == namePart) {
            const int position = parseChannelText(strMidiOutChTable_[row].channel);
            // A stored text that is no channel (edited by hand) keeps the
            // current channel.
            if (position >= 0 && position < view_.listCount(ListId::MidiCh)) {
                selectChannel(position);
            }
            return;
        }
    }
}

void FrmMIDIMain::MnuMidiDeviceReFind_Click(std::int16_t index) {
    if (index == 0) {
        FindMidiInDevices();
    } else if (index == 1) {
        FindMidiOutDevices();
    }
}

} // namespace moxel
