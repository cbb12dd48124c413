// The four menu commands that store the main window's choices.
#include "app/FrmMIDIMain.h"
#include "midi/DeviceEntry.h"

namespace moxel {

namespace {

// Placeholders, failed name queries and the in-use marker all start with
// "---": such an entry names no device.
bool namesNoDevice(const std::string& entry) {
    return entry.starts_with("---") || entryNamePart(entry).starts_with("---");
}

} // namespace

void FrmMIDIMain::writeSetting(const std::string& key, const std::string& value) {
    if (!settings_) {
        return;
    }
    const WriteOutcome outcome = settings_->writeString(key, value);
    if (outcome.ok()) {
        return;
    }
    const std::string file = settings_->path().string();
    const std::string first = outcome.status == WriteOutcome::Status::Skipped
                                  ? "この設定は保存できません。"
                                  : "設定を保存できませんでした。";
    view_.messageBox(first + "\r\n" + file + "\r\n" + outcome.reason, "Moxel",
                     MessageIcon::Information);
}

void FrmMIDIMain::MnuMidiDeviceDefault_Click(std::int16_t index) {
    if (index != 0 && index != 1) {
        return;
    }
    const ListId list = index == 0 ? ListId::MidiIn : ListId::MidiOut;
    const int selected = view_.selectedIndex(list);
    if (selected < 0) {
        return;
    }
    const std::string entry = view_.listItem(list, selected);
    if (namesNoDevice(entry)) {
        return;
    }
    const std::string name = entryNamePart(entry);
    if (index == 0) {
        strDefaultMidiIn_ = name;
        writeSetting("DefaultMIDIIn", name);
    } else {
        strDefaultMidiOut_ = name;
        writeSetting("DefaultMIDIOut", name);
    }
}

void FrmMIDIMain::MnuMidiChDefault_Click() {
    const int selected = view_.selectedIndex(ListId::MidiOut);
    if (selected < 0) {
        return;
    }
    const std::string entry = view_.listItem(ListId::MidiOut, selected);
    if (namesNoDevice(entry)) {
        return;
    }
    const std::string name = entryNamePart(entry);
    for (int row = 0; row < kChannelTableSearched; ++row) {
        if (strMidiOutChTable_[row].name == name) {
            const int position = view_.selectedIndex(ListId::MidiCh);
            strMidiOutChTable_[row].channel = std::to_string(position < 0 ? 0 : position);
            writeSetting(name, strMidiOutChTable_[row].channel);
            return;
        }
    }
}

void FrmMIDIMain::MnuTopMost_Click() {
    if (lngWindowTopMost_ != 0) {
        view_.setTopMost(false);
        lngWindowTopMost_ = 0;
        view_.setChecked(CheckItem::TopMost, false);
    } else {
        view_.setTopMost(true);
        lngWindowTopMost_ = 1;
        view_.setChecked(CheckItem::TopMost, true);
    }
    writeSetting("WindowTopMost", std::to_string(lngWindowTopMost_));
}

void FrmMIDIMain::MnuUpdateInCh_Click() {
    if (lngUpdateInCh_ != 0) {
        view_.setChecked(CheckItem::UpdateInCh, false);
        lngUpdateInCh_ = 0;
    } else {
        view_.setChecked(CheckItem::UpdateInCh, true);
        lngUpdateInCh_ = 1;
    }
    relay_.updateInCh.store(lngUpdateInCh_);
    writeSetting("UpdateInCh", std::to_string(lngUpdateInCh_));
}

} // namespace moxel
