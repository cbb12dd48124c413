#include "app/presenter/PreferencesController.h"

#include <utility>

#include "app/presenter/ProblemTexts.h"
#include "midi/DeviceEntry.h"
#include "relay/RelayShared.h"

namespace moxel {

PreferencesController::PreferencesController(MainView& view, RelayShared& relay,
                                             SettingsWrites& settings, ProblemSink& problems,
                                             RunChoices run)
    : view_(view), relay_(relay), settings_(settings), problems_(problems), run_(std::move(run)) {}

void PreferencesController::load(std::filesystem::path settingsFile) {
    settings_.use(std::move(settingsFile), run_.settingsReadOnly);
    // Told once: every key below then reads its default.
    if (const std::optional<std::string> problem = settings_.file()->readProblem()) {
        problems_.tell(settingsUnreadable(settings_.file()->path(), *problem));
    }
    readDefaults();

    windowTopMost_ = settings_.readInt("WindowTopMost");
    if (windowTopMost_ == 1) {
        view_.setTopMost(true);
        view_.setChecked(CheckItem::TopMost, true);
    }

    followInputChannel_ = run_.follow ? 1 : run_.channel ? 0 : settings_.readInt("UpdateInCh");
    relay_.followInputChannel.store(followInputChannel_ != 0);
    if (followInputChannel_ == 1) {
        view_.setChecked(CheckItem::UpdateInCh, true);
    }
}

namespace {

// The keys of the default devices, as read and as written (the same key:
// names match without regard to case), after the MIDI system's prefix.
struct DefaultKeys {
    std::string readIn, readOut, writeIn, writeOut;
};

DefaultKeys defaultKeys(const std::string& prefix) {
    return {prefix + "DefaultMidiIn", prefix + "DefaultMidiOut", prefix + "DefaultMIDIIn",
            prefix + "DefaultMIDIOut"};
}

} // namespace

void PreferencesController::readDefaults() {
    const DefaultKeys keys = defaultKeys(settingsPrefix_);
    defaultInput_ = run_.input.empty() ? midi::TrimDeviceName(settings_.readString(keys.readIn, ""))
                                       : run_.input;
    defaultOutput_ = run_.output.empty()
                         ? midi::TrimDeviceName(settings_.readString(keys.readOut, ""))
                         : run_.output;
}

void PreferencesController::useDefaultsOf(const midi::MidiSystem& system) {
    settingsPrefix_ = system.settingsPrefix;
    readDefaults();
}

void PreferencesController::storeMidiSystem(const midi::MidiSystem& system) {
    write(std::string(midi::kMidiSystemKey), std::string(system.key));
}

const std::string& PreferencesController::defaultDevice(ListId list) const {
    return list == ListId::MidiIn ? defaultInput_ : defaultOutput_;
}

void PreferencesController::setDefaultDevice(ListId list, const std::string& name) {
    const DefaultKeys keys = defaultKeys(settingsPrefix_);
    if (list == ListId::MidiIn) {
        defaultInput_ = name;
        write(keys.writeIn, name);
    } else {
        defaultOutput_ = name;
        write(keys.writeOut, name);
    }
}

std::string PreferencesController::storedChannel(const std::string& deviceName) const {
    if (run_.channel) {
        return std::to_string(*run_.channel);
    }
    // A key can never hold a newline, so this default tells "missing" apart.
    static const std::string missing = "\n";
    std::string value = settings_.readString(deviceName, missing);
    if (value == missing) {
        // Older versions keyed devices numbered 10 and above by "|" + name.
        value = settings_.readString("|" + deviceName, "0");
    }
    return midi::TrimDeviceName(value);
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
    settings_.write(key, value);
}

} // namespace moxel
