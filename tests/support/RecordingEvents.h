#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/window/MainWindowEvents.h"

namespace moxel::test {

// What a view passed on, each handler call as text ("Form_MouseDown(2)",
// "MnuHSNet_Click(1)", "CmbMidiIn_Click(2)"), and the thread of the last one.
class RecordingEvents : public MainWindowEvents {
  public:
    std::vector<std::string> calls;
    std::thread::id lastThread;
    bool refuseClose = false;
    std::function<void(const std::string& call)> afterCall; // runs after each call is noted

    int count(const std::string& call) const {
        return static_cast<int>(std::ranges::count(calls, call));
    }

#define MOXEL_RECORD0(name)                                                                        \
    void name() override {                                                                         \
        note(#name "()");                                                                          \
    }
#define MOXEL_RECORD1(name, type)                                                                  \
    void name(type value) override {                                                               \
        note(#name "(" + std::to_string(static_cast<int>(value)) + ")");                           \
    }
    MOXEL_RECORD1(CmbMidiIn_Click, int)
    MOXEL_RECORD1(CmbMidiOut_Click, int)
    MOXEL_RECORD1(channelChosen, int)
    MOXEL_RECORD1(beatPerChosen, int)
    MOXEL_RECORD1(CmdTempoBeat_MouseDown, MouseButton)
    MOXEL_RECORD0(CmdTempoReset_Click)
    MOXEL_RECORD0(LblPatch_DblClick)
    MOXEL_RECORD1(Form_KeyDown, int)
    MOXEL_RECORD1(Form_MouseDown, MouseButton)
    MOXEL_RECORD0(contextMenuFromKeyboard)
    MOXEL_RECORD1(Form_Resize, WindowState)
    MOXEL_RECORD1(trayIconPressed, TrayPress)
    MOXEL_RECORD1(MnuMidiDeviceReFind_Click, std::int16_t)
    MOXEL_RECORD1(MnuMidiDeviceDefault_Click, std::int16_t)
    MOXEL_RECORD0(MnuMidiChDefault_Click)
    MOXEL_RECORD0(MnuAllSoundOff_Click)
    MOXEL_RECORD1(MnuMidiSystem_Click, std::int16_t)
    MOXEL_RECORD0(MnuTopMost_Click)
    MOXEL_RECORD0(MnuUpdateInCh_Click)
    MOXEL_RECORD1(MnuShowOption_Click, std::int16_t)
    MOXEL_RECORD0(MnuVersionInfo_Click)
    MOXEL_RECORD0(MnuShowHelp_Click)
    MOXEL_RECORD0(MnuShowWeb_Click)
    MOXEL_RECORD1(MnuHSNet_Click, std::int16_t)
    MOXEL_RECORD0(MnuAppExit_Click)
    MOXEL_RECORD0(lampTick)
    MOXEL_RECORD0(relayNews)
    MOXEL_RECORD0(devicesChanged)
    MOXEL_RECORD0(serviceSearchTick)
    MOXEL_RECORD0(settingsRetryTick)
#undef MOXEL_RECORD0
#undef MOXEL_RECORD1
    void Form_QueryUnload(bool& cancel) override {
        note("Form_QueryUnload()");
        cancel = refuseClose;
    }

  private:
    void note(std::string call) {
        calls.push_back(std::move(call));
        lastThread = std::this_thread::get_id();
        if (afterCall) {
            afterCall(calls.back());
        }
    }
};

} // namespace moxel::test
