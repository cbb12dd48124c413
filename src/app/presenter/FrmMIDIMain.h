#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "app/presenter/ChoiceList.h"
#include "app/presenter/DeviceController.h"
#include "app/presenter/LampController.h"
#include "app/presenter/PatchController.h"
#include "app/presenter/PreferencesController.h"
#include "app/presenter/ProblemSink.h"
#include "app/presenter/SettingsWrites.h"
#include "app/presenter/ShellController.h"
#include "app/presenter/TrayController.h"
#include "app/window/InstanceRequest.h"
#include "app/window/MainView.h"
#include "app/window/MainWindowEvents.h"
#include "app/window/NotificationArea.h"
#include "app/window/UiLoop.h"
#include "midi/MidiBackend.h"
#include "midi/MidiSystems.h"
#include "shell/ShellServices.h"
#include "tempo/TapTempo.h"

namespace moxel {

class RelayShared;

// Where the program runs: its folder, and the user's folder for setting.ini
// when the program's folder is not the user's own writable one (an
// installed program's, for instance; see settingsFileLocation). And why the
// start could not tell whether Moxel already runs, when it could not: the
// window tells the user. And the choices of this run.
struct AppEnvironment {
    std::string executableFolder; // UTF-8, without or with a trailing separator
    std::filesystem::path userSettingsFolder;
    std::string instanceProblem;
    RunChoices run;
};

// The main window's presenter. It runs the start-up, the event loop and the
// shutdown itself and hands every event of the window to the controller of
// its concern:
//
//   window event                        handler                      controller
//   entry chosen in CmbMidiIn/Out       CmbMidiIn_Click, ..Out_Click  devices
//   entry chosen in CmbMidiCh           channelChosen                 devices
//   entry chosen in CmbBeatPer          beatPerChosen                 tempo
//   mouse down on CmdTempoBeat          CmdTempoBeat_MouseDown        tempo
//   click on CmdTempoReset              CmdTempoReset_Click           tempo
//   double-click on LblPatch            LblPatch_DblClick             patches
//   key down anywhere in the window     Form_KeyDown                  patches
//   mouse down on the background        Form_MouseDown                tray
//   Shift+F10 or the Menu key           contextMenuFromKeyboard       tray
//   size or state changed               Form_Resize                   tray
//   press on the notification icon      trayIconPressed               tray
//   close requested                     Form_QueryUnload              (here)
//   another start's request             carryOut                      (here), devices, patches
//   lamp timer tick, relay news         lampTick, relayNews            lamps
//   devices came or went; 1 s search    devicesChanged,               devices, tray
//   for a lost MIDI service             serviceSearchTick
//   settings waiting for the file       settingsRetryTick             settings
//   menu: MnuMidiDeviceReFind           MnuMidiDeviceReFind_Click     devices
//   menu: MnuAllSoundOff                MnuAllSoundOff_Click          devices
//   menu: MnuMidiSystem                 MnuMidiSystem_Click           devices, preferences
//   menu: MnuMidiDeviceDefault          MnuMidiDeviceDefault_Click    devices, preferences
//   menu: MnuMidiChDefault              MnuMidiChDefault_Click        devices, preferences
//   menu: MnuTopMost, MnuUpdateInCh     MnuTopMost_Click, ...         preferences
//   menu: MnuShowOption, MnuShowHelp,   MnuShowOption_Click, ...      shell
//         MnuShowWeb, MnuHSNet,
//         MnuVersionInfo
//   menu: MnuAppExit                    MnuAppExit_Click              (here)
//
// It knows the window only through its screen (MainView), its notification
// area, its event loop (UiLoop) and where problems are told (ProblemSink),
// and the machine only through the MIDI backend, the shell services and the
// clock, so it runs the same under tests as in the program. It keeps its own
// state (what each list holds and selects, the wanted devices, the channel,
// the options) and never asks the view for any. Each controller gets only the
// parts it uses.
class FrmMIDIMain : public MainWindowEvents {
  public:
    // systems: the MIDI systems the program lets the user choose between
    // (none on Windows).
    FrmMIDIMain(MainView& view, NotificationArea& tray, UiLoop& loop, ProblemSink& problems,
                midi::MidiBackend& backend, ShellServices& shell, RelayShared& relay,
                TapTempo::Clock clock, AppEnvironment environment,
                midi::MidiSystemChoice* systems = nullptr);

    // Runs the initialisation, the event loop until the first close request,
    // and the shutdown. Returns when the window is gone.
    void MainLoop();
    void InitApplication();

    // Closes the input, then the output after its reset: the first step of
    // every ending, also of one that bypasses the window (the toolkit ending
    // the program when its display went away). Closed devices stay closed.
    void closeDevices();
    // The last try of the settings changes that wait for the file (held by
    // another program), waiting for it a short while: the step after
    // closeDevices() on every ending. From here on nothing waits for the
    // user (ProblemSink::ending).
    void storeWaitingSettings();

    // The UI's sending path (program changes): channel rule and output lamp
    // apply. False when no output is open or the message could not be sent.
    bool midiOut(std::uint32_t message) { return devices_.send(message); }
    // Another start's request: the window comes to the front (a second
    // start), the output is silenced as the menu's All Sound Off does
    // (--panic), or the program change goes the patch box's way (--program).
    void carryOut(const InstanceRequest& request);

    // MainWindowEvents
    void CmbMidiIn_Click(int position) override { devices_.inputChosen(position); }
    void CmbMidiOut_Click(int position) override { devices_.outputChosen(position); }
    void channelChosen(int position) override { devices_.channelChosen(position); }
    void beatPerChosen(int position) override { beats_.select(position); }
    void CmdTempoBeat_MouseDown(MouseButton button) override;
    void CmdTempoReset_Click() override;
    void LblPatch_DblClick() override { patches_.askForPatch(); }
    void Form_KeyDown(int keyCode) override { patches_.keyDown(keyCode); }
    void Form_MouseDown(MouseButton button) override { tray_.backgroundPressed(button); }
    void contextMenuFromKeyboard() override { tray_.menuKeyPressed(); }
    void Form_Resize(WindowState state) override { tray_.windowResized(state); }
    void Form_QueryUnload(bool& cancel) override;
    void trayIconPressed(TrayPress press) override { tray_.iconPressed(press); }
    void MnuMidiDeviceReFind_Click(std::int16_t index) override;
    void MnuMidiDeviceDefault_Click(std::int16_t index) override;
    void MnuMidiChDefault_Click() override;
    void MnuAllSoundOff_Click() override { devices_.resetOutput(); }
    void MnuMidiSystem_Click(std::int16_t index) override;
    void MnuTopMost_Click() override { preferences_.toggleTopMost(); }
    void MnuUpdateInCh_Click() override { preferences_.toggleFollowInputChannel(); }
    void MnuShowOption_Click(std::int16_t index) override { shell_.startUtility(index); }
    void MnuVersionInfo_Click() override { shell_.showVersion(); }
    void MnuShowHelp_Click() override { shell_.showHelp(); }
    void MnuShowWeb_Click() override { shell_.showNews(); }
    void MnuHSNet_Click(std::int16_t index) override { shell_.showHomePage(index); }
    void MnuAppExit_Click() override;
    void lampTick() override { lamps_.tick(); }
    void relayNews() override { lamps_.takeRelayNews(); }
    void devicesChanged() override;
    void serviceSearchTick() override;
    void settingsRetryTick() override { settings_.retry(); }

    // State, readable by tests.
    bool closing() const { return closing_; }
    const std::string& appPath() const { return appPath_; }
    const DeviceController& devices() const { return devices_; }
    const PreferencesController& preferences() const { return preferences_; }
    const LampController& lamps() const { return lamps_; }
    const PatchController& patches() const { return patches_; }
    const TapTempo& tempo() const { return tempo_; }

  private:
    MainView& view_;
    NotificationArea& trayArea_;
    UiLoop& loop_;
    midi::MidiBackend& backend_;
    midi::MidiSystemChoice* systems_;
    AppEnvironment environment_;
    ProblemSink& problems_;
    SettingsWrites settings_;
    PreferencesController preferences_;
    DeviceController devices_;
    PatchController patches_;
    LampController lamps_;
    TrayController tray_;
    ShellController shell_;
    TapTempo tempo_;
    ChoiceList beats_; // CmbBeatPer: the note value of one tap

    void showMidiSystem(const midi::MidiSystem& system);

    bool closing_ = false;          // the first close request was accepted
    bool listed_ = false;           // the start-up has built the device lists
    bool newsWhileListing_ = false; // device news came before that
    std::string appPath_;           // the program folder, ending in its separator
};

// The program folder with exactly one trailing separator: the system's own
// ("\" on Windows, "/" elsewhere) unless the folder already ends in one.
std::string appPathFromFolder(const std::string& folder);

} // namespace moxel
