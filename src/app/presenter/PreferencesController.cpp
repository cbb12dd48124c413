#include "app/presenter/PreferencesController.h"

#include <cstdio>
#include <utility>

#include "app/window/Texts.h"
#include "encoding/Utf8Path.h"
#include "midi/DeviceEntry.h"
#include "relay/RelayShared.h"

namespace moxel {

PreferencesController::PreferencesController(MainView& view, RelayShared& relay)
    : view_(view), relay_(relay) {}

void PreferencesController::load(std::filesystem::path settingsFile) {
    file_.emplace(std::move(settingsFile));
    // Said once: every key below then reads its default.
    if (const std::optional<std::string> problem = file_->readProblem()) {
        std::fprintf(stderr, "moxel: %s; using the defaults\n", problem->c_str());
    }
    defaultInput_ = TrimDeviceName(file_->readString("DefaultMidiIn", ""));
    defaultOutput_ = TrimDeviceName(file_->readString("DefaultMidiOut", ""));

    windowTopMost_ = file_->readInt("WindowTopMost");
    if (windowTopMost_ == 1) {
        view_.setTopMost(true);
        view_.setChecked(CheckItem::TopMost, true);
    }

    followInputChannel_ = file_->readInt("UpdateInCh");
    relay_.followInputChannel.store(followInputChannel_ != 0);
    if (followInputChannel_ == 1) {
        view_.setChecked(CheckItem::UpdateInCh, true);
    }
}

const std::string& PreferencesController::defaultDevice(ListId list) const {
    return list == ListId::MidiIn ? defaultInput_ : defaultOutput_;
}

void PreferencesController::setDefaultDevice(ListId list, const std::string& name) {
    if (list == ListId::MidiIn) {
        defaultInput_ = name;
        write("DefaultMIDIIn", name);
    } else {
        defaultOutput_ = name;
        write("DefaultMIDIOut", name);
    }
}

std::string PreferencesController::storedChannel(const std::string& deviceName) const {
    if (!file_) {
        return "0";
    }
    // A key can never hold a newline, so this default tells "missing" apart.
    static const std::string missing = "\n";
    std::string value = file_->readString(deviceName, missing);
    if (value == missing) {
        // Older versions keyed devices numbered 10 and above by "|" + name.
        value = file_->readString("|" + deviceName, "0");
    }
    return TrimDeviceName(value);
}

void PreferencesController::storeChannel(const std::string& deviceName,
                                         const std::string& channel) {
    write(deviceName, channel);
}

void PreferencesController::toggleTopMost() {
    windowTopMost_ = windowTopMost_ != 0 ? 0 : 1;
    view_.setTopMost(windowTopMost_ == 1);
    view_.setChecked(CheckItem::TopMost, windowTopMost_ == 1);
    write("WindowTopMost", std::to_string(windowTopMost_));
}

void PreferencesController::toggleFollowInputChannel() {
    followInputChannel_ = followInputChannel_ != 0 ? 0 : 1;
    view_.setChecked(CheckItem::UpdateInCh, followInputChannel_ == 1);
    relay_.followInputChannel.store(followInputChannel_ != 0);
    write("UpdateInCh", std::to_string(followInputChannel_));
}

void PreferencesController::write(const std::string& key, const std::string& value) {
    if (!file_) {
        return;
    }
    const WriteOutcome outcome = file_->writeString(key, value);
    if (outcome.ok()) {
        return;
    }
    const std::string first(text(outcome.status == WriteOutcome::Status::Skipped
                                     ? Text::SettingNotStorable
                                     : Text::SettingNotSaved));
    view_.messageBox(first + "\r\n" + utf8FromPath(file_->path()) + "\r\n" + outcome.reason,
                     "Moxel", MessageIcon::Information);
}

} // namespace moxel
