#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/MainWindowEvents.h"

namespace moxel::test {

// Records every handler call as text, e.g. "Form_MouseDown(2)" or
// "MnuHSNet_Click(1)"; a few handlers can be given behaviour.
class RecordingEvents : public MainWindowEvents {
  public:
    std::vector<std::string> calls;
    std::thread::id relayActivityThread;

    std::function<void(MouseButton)> onMouseDown;
    std::function<void(bool&)> onQueryUnload;

    int count(const std::string& call) const {
        return static_cast<int>(std::ranges::count(calls, call));
    }
    // Calls whose text starts with `prefix`.
    int countPrefix(const std::string& prefix) const {
        return static_cast<int>(std::ranges::count_if(
            calls, [&](const std::string& call) { return call.starts_with(prefix); }));
    }

    void CmbMidiIn_Click() override { record("CmbMidiIn_Click()"); }
    void CmbMidiOut_Click() override { record("CmbMidiOut_Click()"); }
    void channelChosen(int position) override { record("channelChosen", position); }
    void CmdTempoBeat_MouseDown(MouseButton button) override {
        record("CmdTempoBeat_MouseDown", static_cast<int>(button));
    }
    void CmdTempoReset_Click() override { record("CmdTempoReset_Click()"); }
    void LblPatch_DblClick() override { record("LblPatch_DblClick()"); }
    void Form_KeyDown(int keyCode) override { record("Form_KeyDown", keyCode); }
    void Form_MouseDown(MouseButton button) override {
        record("Form_MouseDown", static_cast<int>(button));
        if (onMouseDown) {
            onMouseDown(button);
        }
    }
    void Form_Resize() override { record("Form_Resize()"); }
    void Form_QueryUnload(bool& cancel) override {
        record("Form_QueryUnload()");
        if (onQueryUnload) {
            onQueryUnload(cancel);
        }
    }
    void trayIconPressed(TrayPress press) override {
        record(press == TrayPress::Left ? "trayIconPressed(Left)" : "trayIconPressed(Right)");
    }
    void MnuMidiDeviceReFind_Click(std::int16_t index) override {
        record("MnuMidiDeviceReFind_Click", index);
    }
    void MnuMidiDeviceDefault_Click(std::int16_t index) override {
        record("MnuMidiDeviceDefault_Click", index);
    }
    void MnuMidiChDefault_Click() override { record("MnuMidiChDefault_Click()"); }
    void MnuAllSoundOff_Click() override { record("MnuAllSoundOff_Click()"); }
    void MnuTopMost_Click() override { record("MnuTopMost_Click()"); }
    void MnuUpdateInCh_Click() override { record("MnuUpdateInCh_Click()"); }
    void MnuShowOption_Click(std::int16_t index) override { record("MnuShowOption_Click", index); }
    void MnuVersionInfo_Click() override { record("MnuVersionInfo_Click()"); }
    void MnuShowHelp_Click() override { record("MnuShowHelp_Click()"); }
    void MnuShowWeb_Click() override { record("MnuShowWeb_Click()"); }
    void MnuHSNet_Click(std::int16_t index) override { record("MnuHSNet_Click", index); }
    void MnuAppExit_Click() override { record("MnuAppExit_Click()"); }
    void lampTick() override { record("lampTick()"); }
    void relayActivity() override {
        relayActivityThread = std::this_thread::get_id();
        record("relayActivity()");
    }

  private:
    void record(std::string call) { calls.push_back(std::move(call)); }
    void record(const std::string& name, int argument) {
        calls.push_back(name + "(" + std::to_string(argument) + ")");
    }
};

} // namespace moxel::test
