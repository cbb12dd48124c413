// The real moxel.exe under Wine with the stand-in winmm.dll: the lists fill,
// the stored defaults open, a message arrives rewritten to the chosen
// channel, a device in use shows the box and the marker, a second start ends
// at once, and closing closes the devices.
#include <gmock/gmock.h>

#include <cstdio>

#include "ProgramFixture.h"
#include "support/PumpUntil.h"

namespace moxel::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

const std::vector<std::string> kDevices = {"in\tKeys",
                                           "in\t\xE3\x83\xA4\xE3\x83\x9E\xE3\x83\x8F Piano",
                                           "out\tSynth", "out\tBusy Synth\tallocated"};

TEST_F(ProgramUnderWine, ListsFillStoredDefaultsOpenAndMessagesTakeTheChosenChannel) {
    script(kDevices, "DefaultMIDIIn=\xE3\x83\xA4\xE3\x83\x9E\xE3\x83\x8F Piano\r\n"
                     "DefaultMIDIOut=Synth\r\nSynth=3\r\n");
    const HANDLE process = start();
    const HWND window = mainWindow(process);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(windowText(window), "Moxel");
    recordOnce("open out 0");
    EXPECT_THAT(items(control(window, "CmbMidiIn")), ElementsAre("1|Keys", "2|ヤマハ Piano"));
    EXPECT_THAT(items(control(window, "CmbMidiOut")), ElementsAre("1|Synth", "2|Busy Synth"));
    EXPECT_EQ(selected(control(window, "CmbMidiIn")), 1);
    EXPECT_EQ(selected(control(window, "CmbMidiCh")), 3);

    inject(0x643C90); // note on, channel 1
    const auto record = recordOnce("short 643C93");
    EXPECT_THAT(record, ElementsAre("open in 1", "start in", "open out 0", "inject 643C90",
                                    "short 643C93"));
    std::printf("callback to send in moxel.exe: %lld us\n",
                recordTime("short 643C93") - recordTime("inject 643C90"));

    EXPECT_EQ(close(window, process), 0U);
    // The note is released, then the input and the output close.
    const auto closing = recordOnce("close out");
    EXPECT_THAT(closing, Contains("stop in"));
    EXPECT_THAT(closing, Contains("short 003C83"));
    EXPECT_THAT(closing, Contains("reset out"));
}

TEST_F(ProgramUnderWine, ADeviceInUseShowsTheBoxAndTheMarker) {
    script(kDevices, "DefaultMIDIOut=Busy Synth\r\n");
    const HANDLE process = start();
    const HWND box = findWindowTitled("Midi Out Device Open Error");
    ASSERT_NE(box, nullptr);
    const HWND text = GetDlgItem(box, 0xFFFF); // a message box's text
    EXPECT_EQ(windowText(text), "Busy Synth\r\n\r\nこのMIDI Outデバイスは、現在使用できません。\r\n"
                                "他のアプリケーションが使用している可能性があります。");
    SendMessageW(box, WM_COMMAND, IDOK, 0);
    const HWND window = mainWindow(process);
    HWND list = nullptr;
    ASSERT_TRUE(pumpUntil([&] {
        list = control(window, "CmbMidiOut");
        return list != nullptr && items(list).size() == 2 &&
               items(list)[1].find("---") != std::string::npos;
    }));
    EXPECT_EQ(items(list)[1], "2|---(Alloc Other Application)---");
    EXPECT_THAT(recordOnce("in use out 1"), Contains("in use out 1"));
    EXPECT_EQ(close(window, process), 0U);
}

TEST_F(ProgramUnderWine, ASecondStartEndsAtOnceAndLeavesTheFirstAlone) {
    script(kDevices);
    const HANDLE first = start();
    const HWND window = mainWindow(first);
    ASSERT_NE(window, nullptr);
    const HANDLE second = start();
    EXPECT_TRUE(pumpUntil([&] { return WaitForSingleObject(second, 0) == WAIT_OBJECT_0; }));
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(second, &code);
    EXPECT_EQ(code, 0U);
    EXPECT_EQ(WaitForSingleObject(first, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(close(window, first), 0U);
}

} // namespace
} // namespace moxel::test
