#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "app/MainView.h"
#include "app/MainWindowEvents.h"
#include "midi/MidiBackend.h"
#include "relay/RelayShared.h"
#include "settings/SettingsFile.h"
#include "shell/ShellServices.h"
#include "tempo/TapTempo.h"

namespace moxel {

// Where the program runs: its folder and the user's folders.
struct AppEnvironment {
    std::string executableFolder; // without or with a trailing "/"
    std::string xdgConfigHome;    // may be empty
    std::string home;
};

// One row of the per-output-device channel table.
struct ChannelTableRow {
    std::string name;    // the device's name
    std::string channel; // the stored channel text ("0".."15" when valid)
};

// The main window's presenter: all of the window's state and every handler.
// It knows the screen only through MainView and the machine only through the
// MIDI backend, the shell services and the clock, so it runs the same under
// tests as in the program.
class FrmMIDIMain : public MainWindowEvents {
  public:
    static constexpr int kChannelTableRows = 257;
    static constexpr int kChannelTableSearched = 256;

    FrmMIDIMain(MainView& view, MidiBackend& backend, ShellServices& shell, RelayShared& relay,
                TapTempo::Clock clock, AppEnvironment environment);

    // Runs the initialisation, the event loop until the first close request,
    // and the shutdown. Returns when the window is gone.
    void MainLoop();
    void InitApplication();

    // The UI's sending path (program changes): channel rule and output lamp
    // apply. False when no output is open or the message could not be sent.
    bool midiOut(std::uint32_t lngMidiMSG);

    // MainWindowEvents
    void CmbMidiIn_Click() override;
    void CmbMidiOut_Click() override;
    void channelChosen(int position) override;
    void CmdTempoBeat_MouseDown(MouseButton button) override;
    void CmdTempoReset_Click() override;
    void LblPatch_DblClick() override;
    void Form_KeyDown(int keyCode) override;
    void Form_MouseDown(MouseButton button) override;
    void Form_Resize() override;
    void Form_QueryUnload(bool& cancel) override;
    void trayIconPressed(TrayPress press) override;
    void MnuMidiDeviceReFind_Click(std::int16_t index) override;
    void MnuMidiDeviceDefault_Click(std::int16_t index) override;
    void MnuMidiChDefault_Click() override;
    void MnuAllSoundOff_Click() override;
    void MnuTopMost_Click() override;
    void MnuUpdateInCh_Click() override;
    void MnuShowOption_Click(std::int16_t index) override;
    void MnuVersionInfo_Click() override;
    void MnuShowHelp_Click() override;
    void MnuShowWeb_Click() override;
    void MnuHSNet_Click(std::int16_t index) override;
    void MnuAppExit_Click() override;
    void lampTick() override;
    void relayActivity() override;

    // State, readable by tests.
    bool blnAppExit() const { return blnAppExit_; }
    const std::string& strAppPath() const { return strAppPath_; }
    const std::string& strDefaultMidiIn() const { return strDefaultMidiIn_; }
    const std::string& strDefaultMidiOut() const { return strDefaultMidiOut_; }
    std::int32_t lngWindowTopMost() const { return lngWindowTopMost_; }
    std::int32_t lngUpdateInCh() const { return lngUpdateInCh_; }
    int lngMidiLamp(int index) const { return lngMidiLamp_[index]; }
    MidiHandle lngHMidiIn() const { return lngHMidiIn_; }
    MidiHandle lngHMidiOut() const { return lngHMidiOut_; }
    int lngPatchNo() const { return lngPatchNo_; }
    const ChannelTableRow& strMidiOutChTable(int row) const { return strMidiOutChTable_[row]; }
    const TapTempo& tempo() const { return tempo_; }
    // The settings file in use (after InitApplication).
    const std::optional<SettingsFile>& settings() const { return settings_; }

    // The version shown in the tray tip and the version box.
    static std::string versionText();

  private:
    // Start-up and shutdown
    void readStartupSettings();
    void fadeLamp(int index);

    // Device lists and opening
    void FindMidiInDevices();
    void FindMidiOutDevices();
    void CloseMidiIn();
    void CloseMidiOut();
    // The common part of both click handlers: opens the device selected in
    // the list, rewrites its entry, reports a device in use. The handle, or 0.
    MidiHandle openSelected(ListId list);
    void selectDefault(ListId list, const std::string& defaultName);
    std::string readDeviceChannel(const std::string& name);
    void restoreChannel();
    void selectChannel(int position);

    // Settings
    void writeSetting(const std::string& key, const std::string& value);

    // Patches
    void sendPatch();

    // Shell
    void openAddress(const std::string& address);

    MainView& view_;
    MidiBackend& backend_;
    ShellServices& shell_;
    RelayShared& relay_;
    AppEnvironment environment_;
    TapTempo tempo_;
    std::optional<SettingsFile> settings_;

    bool blnAppExit_ = false;
    std::string strAppPath_;
    std::string strDefaultMidiIn_;
    std::string strDefaultMidiOut_;
    std::array<ChannelTableRow, kChannelTableRows> strMidiOutChTable_{};
    std::int32_t lngWindowTopMost_ = 0;
    std::int32_t lngUpdateInCh_ = 0;
    std::array<int, 2> lngMidiLamp_{};
    MidiHandle lngHMidiIn_ = 0;
    MidiHandle lngHMidiOut_ = 0;
    int lngPatchNo_ = 0;
    bool lampTimerActive_ = false;
};

// The program folder with exactly one trailing "/".
std::string appPathFromFolder(const std::string& folder);

} // namespace moxel
