#include "app/FrmMIDIMain.h"

#include <utility>

#include "BuildConfig.h"
#include "midi/DeviceEntry.h"

namespace moxel {

namespace {
constexpr int kLampFull = 255;
constexpr int kLampStep = 5;
} // namespace

std::string appPathFromFolder(const std::string& folder) {
    if (!folder.empty() && folder.back() == '/') {
        return folder;
    }
    return folder + "/";
}

std::string FrmMIDIMain::versionText() {
    return std::to_string(build::versionMajor) + "." + std::to_string(build::versionMinor);
}

FrmMIDIMain::FrmMIDIMain(MainView& view, MidiBackend& backend, ShellServices& shell,
                         RelayShared& relay, TapTempo::Clock clock, AppEnvironment environment)
    : view_(view), backend_(backend), shell_(shell), relay_(relay),
      environment_(std::move(environment)), tempo_(std::move(clock)) {}

void FrmMIDIMain::MainLoop() {
    InitApplication();
    view_.runEventLoop(); // until the first close request sets blnAppExit
    // A close request that came during start-up, while the devices were
    // still being opened, found nothing to close yet.
    CloseMidiIn();
    CloseMidiOut();
    view_.setLampTimerActive(false);
    lampTimerActive_ = false;
    view_.removeTrayIcon();
    backend_.setActivityCallback({});
    view_.requestClose(); // the second request goes through
}

void FrmMIDIMain::InitApplication() {
    strAppPath_ = appPathFromFolder(environment_.executableFolder);

    view_.clearList(ListId::BeatPer);
    for (const char* item : {"1", "2", "4", "8"}) {
        view_.addListItem(ListId::BeatPer, item);
    }
    view_.selectIndex(ListId::BeatPer, 2);

    view_.processEvents();

    readStartupSettings();

    FindMidiInDevices();
    FindMidiOutDevices();

    CmdTempoReset_Click();

    // From here on the relay's news (lamps, followed channel) reach the window.
    // The backend calls this from its own thread: only hand the news over.
    backend_.setActivityCallback([this] { view_.notifyRelayActivity(); });
}

void FrmMIDIMain::readStartupSettings() {
    settings_.emplace(
        settingsFileLocation(strAppPath_, environment_.xdgConfigHome, environment_.home));
    strDefaultMidiIn_ = TrimDeviceName(settings_->readString("DefaultMidiIn", ""));
    strDefaultMidiOut_ = TrimDeviceName(settings_->readString("DefaultMidiOut", ""));

    lngWindowTopMost_ = settings_->readInt("WindowTopMost");
    if (lngWindowTopMost_ == 1) {
        view_.setTopMost(true);
        view_.setChecked(CheckItem::TopMost, true);
    }

    lngUpdateInCh_ = settings_->readInt("UpdateInCh");
    relay_.updateInCh.store(lngUpdateInCh_);
    if (lngUpdateInCh_ == 1) {
        view_.setChecked(CheckItem::UpdateInCh, true);
    }
}

void FrmMIDIMain::Form_QueryUnload(bool& cancel) {
    if (blnAppExit_) {
        return; // the shutdown's own request: let it through
    }
    blnAppExit_ = true;
    cancel = true;
    CloseMidiIn();
    CloseMidiOut();
    view_.quitEventLoop();
}

void FrmMIDIMain::MnuAppExit_Click() {
    view_.requestClose();
}

void FrmMIDIMain::relayActivity() {
    if (relay_.inputLamp.exchange(false)) {
        lngMidiLamp_[0] = kLampFull;
    }
    if (relay_.outputLamp.exchange(false)) {
        lngMidiLamp_[1] = kLampFull;
    }
    if (relay_.channelFollowed.exchange(false)) {
        const int position = relay_.channelPosition.load();
        if (position < view_.listCount(ListId::MidiCh)) {
            view_.selectIndex(ListId::MidiCh, position);
        }
    }
    if (!lampTimerActive_ && (lngMidiLamp_[0] > 0 || lngMidiLamp_[1] > 0)) {
        lampTimerActive_ = true;
        view_.setLampTimerActive(true);
    }
}

void FrmMIDIMain::fadeLamp(int index) {
    int& level = lngMidiLamp_[index];
    if (level <= 0) {
        return; // a dark lamp is not repainted
    }
    level = level - kLampStep > 0 ? level - kLampStep : 0;
    const int other = kLampFull - level;
    view_.setLampColor(index == 0 ? LampId::Input : LampId::Output,
                       index == 0 ? Rgb{other, kLampFull, other} : Rgb{kLampFull, other, other});
}

void FrmMIDIMain::lampTick() {
    fadeLamp(0);
    fadeLamp(1);
    if (lngMidiLamp_[0] == 0 && lngMidiLamp_[1] == 0 && lampTimerActive_) {
        lampTimerActive_ = false;
        view_.setLampTimerActive(false);
    }
}

void FrmMIDIMain::channelChosen(int position) {
    relay_.channelPosition.store(position);
}

void FrmMIDIMain::selectChannel(int position) {
    view_.selectIndex(ListId::MidiCh, position);
    relay_.channelPosition.store(position);
}

} // namespace moxel
