#include "app/presenter/FrmMIDIMain.h"

#include <utility>

#include "app/presenter/ProblemTexts.h"
#include "app/window/Texts.h"

namespace moxel {

std::string appPathFromFolder(const std::string& folder) {
    constexpr auto separator = static_cast<char>(std::filesystem::path::preferred_separator);
    if (!folder.empty() && (folder.back() == '/' || folder.back() == separator)) {
        return folder;
    }
    return folder + separator;
}

FrmMIDIMain::FrmMIDIMain(MainView& view, NotificationArea& tray, UiLoop& loop,
                         ProblemSink& problems, midi::MidiBackend& backend, ShellServices& shell,
                         RelayShared& relay, TapTempo::Clock clock, AppEnvironment environment,
                         midi::MidiSystemChoice* systems)
    : view_(view), trayArea_(tray), loop_(loop), backend_(backend), systems_(systems),
      environment_(std::move(environment)), problems_(problems), settings_(loop, problems_, clock),
      preferences_(view, relay, settings_, problems_, environment_.run),
      devices_(view, loop, problems_, backend, relay, preferences_), patches_(view, devices_),
      lamps_(view, loop, relay, devices_), tray_(view, tray, preferences_, devices_),
      shell_(view, shell), tempo_(std::move(clock)), beats_(view, ListId::BeatPer) {}

void FrmMIDIMain::MainLoop() {
    InitApplication();
    loop_.runEventLoop(); // until the first close request
    // A close request that came during start-up, while the devices were
    // still being opened, found nothing to close yet.
    closeDevices();
    storeWaitingSettings();
    lamps_.stop();
    loop_.setServiceSearchActive(false);
    trayArea_.removeTrayIcon();
    backend_.setNewsCallback(midi::News::Relay, {});
    backend_.setNewsCallback(midi::News::Devices, {});
    view_.requestClose(); // the second request goes through
}

void FrmMIDIMain::InitApplication() {
    // News from the backend's threads reaches the window from the start: the
    // relay is live as soon as an input opens, and devices may come or go
    // while the lists are being built. The callbacks only hand it over.
    backend_.setNewsCallback(midi::News::Relay, [this] { loop_.notifyRelayNews(); });
    backend_.setNewsCallback(midi::News::Devices, [this] { loop_.notifyDevicesChanged(); });

    appPath_ = appPathFromFolder(environment_.executableFolder);
    shell_.setProgramFolder(appPath_);

    beats_.show({"1", "2", "4", "8"});
    beats_.select(2);

    loop_.processEvents();

    if (!environment_.instanceProblem.empty()) {
        problems_.tell(instanceUnchecked(environment_.instanceProblem));
    }
    preferences_.load(settingsFileLocation(appPath_, environment_.userSettingsFolder));
    if (systems_ != nullptr) { // (waits for the backend, as the listing would)
        const midi::MidiSystem& system = systems_->current();
        preferences_.useDefaultsOf(system);
        showMidiSystem(system);
        problems_.event(std::string(language() == Language::Japanese ? system.menuJapanese
                                                                     : system.menuEnglish));
    }
    if (preferences_.followInputChannel() != 0) {
        problems_.event(std::string(text(Text::MenuOption)) + ": " +
                        std::string(text(Text::MenuFollowChannel)));
    }

    devices_.FindMidiInDevices();
    devices_.FindMidiOutDevices();
    // News that came while the lists were being built (the backend's own
    // ports registering, a box open over the start) is looked at now: acted
    // on earlier, it would open devices before the settings were read, and
    // the first listing would close them again, with a reset.
    listed_ = true;
    if (std::exchange(newsWhileListing_, false)) {
        devicesChanged();
    }

    CmdTempoReset_Click();

    // News the relay left before anyone could take it (MIDI already flowing
    // into the input while the window was built) lights its lamps now.
    lamps_.takeRelayNews();
    if (!backend_.serviceAvailable()) {
        loop_.setServiceSearchActive(true);
        devices_.tellServiceProblem();
    }
    problems_.started(); // what the start found, now that the devices are open
}

void FrmMIDIMain::devicesChanged() {
    if (!listed_) {
        newsWhileListing_ = true;
        return;
    }
    devices_.devicesChanged();
    tray_.refreshTip();
}

void FrmMIDIMain::serviceSearchTick() {
    devices_.lookForService();
    tray_.refreshTip();
}

void FrmMIDIMain::Form_QueryUnload(bool& cancel) {
    if (closing_) {
        return; // the shutdown's own request: let it through
    }
    closing_ = true;
    cancel = true;
    closeDevices();
    storeWaitingSettings(); // before the system may end the process (session end)
    loop_.quitEventLoop();
}

void FrmMIDIMain::closeDevices() {
    devices_.CloseMidiIn();
    devices_.CloseMidiOut();
}

void FrmMIDIMain::storeWaitingSettings() {
    problems_.ending();
    settings_.finish();
}

void FrmMIDIMain::MnuAppExit_Click() {
    view_.requestClose();
}

void FrmMIDIMain::carryOut(const InstanceRequest& request) {
    switch (request.kind) {
    case InstanceRequest::Kind::Show:
        view_.restoreWindow();
        break;
    case InstanceRequest::Kind::Panic:
        MnuAllSoundOff_Click();
        break;
    case InstanceRequest::Kind::Program:
        patches_.choose(request.program);
        break;
    }
}

void FrmMIDIMain::CmdTempoBeat_MouseDown(MouseButton /*button*/) {
    if (const auto text = tempo_.tap(beats_.selected())) {
        view_.setCaption(LabelId::TempoVal, *text);
    }
}

void FrmMIDIMain::CmdTempoReset_Click() {
    tempo_.reset();
    view_.setCaption(LabelId::TempoVal, TapTempo::format(0.0F));
}

void FrmMIDIMain::MnuMidiDeviceReFind_Click(std::int16_t index) {
    if (index == 0) {
        devices_.FindMidiInDevices();
    } else if (index == 1) {
        devices_.FindMidiOutDevices();
    }
}

void FrmMIDIMain::MnuMidiDeviceDefault_Click(std::int16_t index) {
    if (index != 0 && index != 1) {
        return;
    }
    const ListId list = index == 0 ? ListId::MidiIn : ListId::MidiOut;
    if (const auto name = devices_.selectedDeviceName(list)) {
        preferences_.setDefaultDevice(list, *name);
        devices_.defaultChosen(list); // no longer waits for the one stored before
    }
}

void FrmMIDIMain::showMidiSystem(const midi::MidiSystem& system) {
    const midi::MidiSystems systems = systems_->systems();
    for (std::size_t i = 0; i < systems.size(); ++i) {
        view_.setChecked(midiSystemItem(static_cast<int>(i)), systems[i] == system);
    }
}

// The devices close with a reset, as on any close; the other system's lists
// come with its own stored defaults. The choice is stored.
void FrmMIDIMain::MnuMidiSystem_Click(std::int16_t index) {
    if (systems_ == nullptr || index < 0 ||
        static_cast<std::size_t>(index) >= systems_->systems().size()) {
        return;
    }
    const midi::MidiSystem& system = systems_->systems()[static_cast<std::size_t>(index)];
    preferences_.storeMidiSystem(system);
    showMidiSystem(system);
    if (system == systems_->current()) {
        return;
    }
    devices_.CloseMidiIn();
    devices_.CloseMidiOut();
    devices_.startOver();
    systems_->use(system);
    preferences_.useDefaultsOf(system);
    devices_.FindMidiInDevices();
    devices_.FindMidiOutDevices();
    loop_.setServiceSearchActive(!backend_.serviceAvailable());
    tray_.refreshTip();
    if (!backend_.serviceAvailable()) {
        devices_.tellServiceProblem();
    }
}

void FrmMIDIMain::MnuMidiChDefault_Click() {
    if (const auto row = devices_.rememberSelectedOutputChannel()) {
        preferences_.storeChannel(row->name, row->channel);
    }
}

} // namespace moxel
