#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "app/window/MainWindowEvents.h"

namespace moxel::test {

// MainWindowEvents that write down what the window told them
// ("Form_KeyDown 107", "MnuHSNet_Click 1"), and on which thread.
class RecordingEvents : public MainWindowEvents {
  public:
    std::vector<std::string> calls;
    DWORD lastThread = 0;
    bool refuseClose = true;
    int lampTicks = 0;
    int serviceTicks = 0;

    void CmbMidiIn_Click() override { note("CmbMidiIn_Click"); }
    void CmbMidiOut_Click() override { note("CmbMidiOut_Click"); }
    void channelChosen(int position) override { note("channelChosen", position); }
    void CmdTempoBeat_MouseDown(MouseButton button) override {
        note("CmdTempoBeat_MouseDown", static_cast<int>(button));
    }
    void CmdTempoReset_Click() override { note("CmdTempoReset_Click"); }
    void LblPatch_DblClick() override { note("LblPatch_DblClick"); }
    void Form_KeyDown(int keyCode) override { note("Form_KeyDown", keyCode); }
    void Form_MouseDown(MouseButton button) override {
        note("Form_MouseDown", static_cast<int>(button));
    }
    void contextMenuFromKeyboard() override { note("contextMenuFromKeyboard"); }
    void Form_Resize() override { note("Form_Resize"); }
    void Form_QueryUnload(bool& cancel) override {
        note("Form_QueryUnload");
        cancel = refuseClose;
    }
    void trayIconPressed(TrayPress press) override {
        note("trayIconPressed", static_cast<int>(press));
    }
    void MnuMidiDeviceReFind_Click(std::int16_t i) override { note("MnuMidiDeviceReFind", i); }
    void MnuMidiDeviceDefault_Click(std::int16_t i) override { note("MnuMidiDeviceDefault", i); }
    void MnuMidiChDefault_Click() override { note("MnuMidiChDefault"); }
    void MnuAllSoundOff_Click() override { note("MnuAllSoundOff"); }
    void MnuMidiSystem_Click(std::int16_t i) override { note("MnuMidiSystem", i); }
    void MnuTopMost_Click() override { note("MnuTopMost"); }
    void MnuUpdateInCh_Click() override { note("MnuUpdateInCh"); }
    void MnuShowOption_Click(std::int16_t i) override { note("MnuShowOption", i); }
    void MnuVersionInfo_Click() override { note("MnuVersionInfo"); }
    void MnuShowHelp_Click() override { note("MnuShowHelp"); }
    void MnuShowWeb_Click() override { note("MnuShowWeb"); }
    void MnuHSNet_Click(std::int16_t i) override { note("MnuHSNet", i); }
    void MnuAppExit_Click() override { note("MnuAppExit"); }
    void lampTick() override { ++lampTicks; }
    void relayActivity() override { note("relayActivity"); }
    void devicesChanged() override { note("devicesChanged"); }
    void serviceSearchTick() override { ++serviceTicks; }

  private:
    void note(const std::string& what) {
        calls.push_back(what);
        lastThread = GetCurrentThreadId();
    }
    void note(const std::string& what, int value) { note(what + " " + std::to_string(value)); }
};

} // namespace moxel::test
