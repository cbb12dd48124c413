// The real moxel.exe under Wine with the stand-in winmm.dll: the lists fill,
// the stored defaults open, a message arrives rewritten to the chosen
// channel, a second start shows the running window and ends, commands reach
// its output, the command line answers, devices unplugged and plugged in
// again come back, and closing closes the devices.
#include <gmock/gmock.h>

#include "ProgramFixture.h"
#include "app/window/Texts.h"
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
    // The file in the system's code page, Shift-JIS: ヤマハ.
    script(kDevices, "DefaultMIDIIn=\x83\x84\x83\x7D\x83\x6E Piano\r\n"
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

    EXPECT_EQ(close(window, process), 0U);
    // The note is released, then the input and the output close.
    const auto closing = recordOnce("close out");
    EXPECT_THAT(closing, Contains("stop in"));
    EXPECT_THAT(closing, Contains("short 003C83"));
    EXPECT_THAT(closing, Contains("reset out"));
}

// --program and --panic go to the running window: the patch box's and the
// menu's way, to the output on its channel.
TEST_F(ProgramUnderWine, ASecondStartBringsTheRunningWindowBackAndCommandsReachTheOutput) {
    script(kDevices, "DefaultMIDIOut=Synth\r\nSynth=3\r\n");
    const HANDLE first = start();
    const HWND window = mainWindow(first);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_MINIMIZE); // (to the notification area, where there is one)
    ASSERT_TRUE(pumpUntil([&] { return IsIconic(window) || !IsWindowVisible(window); }));
    const HANDLE second = start();
    EXPECT_TRUE(pumpUntil([&] { return WaitForSingleObject(second, 0) == WAIT_OBJECT_0; }));
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(second, &code);
    EXPECT_EQ(code, 0U);
    EXPECT_TRUE(pumpUntil([&] { return IsWindowVisible(window) && !IsIconic(window); }));
    EXPECT_EQ(WaitForSingleObject(first, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(run(L"--program 5"), (std::pair<DWORD, std::string>(0, "")));
    EXPECT_THAT(recordOnce("short 0005C3"), Contains("short 0005C3"));
    EXPECT_EQ(windowText(control(window, "LblPatch")), "005");
    EXPECT_EQ(run(L"--panic").first, 0U);
    EXPECT_THAT(recordOnce("short 0078B3"), Contains("reset out"));
    EXPECT_EQ(close(window, first), 0U);
}

TEST_F(ProgramUnderWine, TheCommandLineAnswersOnTheStandardStreams) {
    const struct {
        const wchar_t* arguments;
        DWORD code;
        const char* says;
    } cases[] = {{L"--help", 0, "Usage: moxel [--lang ja|en]"},
                 {L"--version", 0, "Moxel 1."},
                 {L"--lang xx", 2, "--lang takes ja or en"},
                 {L"--bogus", 2, "unknown option '--bogus'"},
                 {L"--program 128", 2, "--program takes a program number from 0 to 127"},
                 {L"--panic", 3, "moxel: Moxel is not running; start it first"}};
    for (const auto& c : cases) {
        const auto [code, said] = run(c.arguments);
        EXPECT_EQ(code, c.code) << c.says;
        EXPECT_THAT(said, HasSubstr(c.says));
    }
}

// A device unplugged and plugged in again (at another number) is opened
// again by its name; the note that sounded on the output when it went is
// released there before anything else.
TEST_F(ProgramUnderWine, WantedDevicesComeBackWhenTheyArePluggedInAgain) {
    script(kDevices, "DefaultMIDIIn=Keys\r\nDefaultMIDIOut=Synth\r\nSynth=3\r\n");
    const HWND window = mainWindow(start());
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(pumpUntil([&] { return selected(control(window, "CmbMidiCh")) == 3; }));
    inject(0x643C90); // note on, channel 1: sounds on channel 3
    ASSERT_THAT(recordOnce("short 643C93"), Contains("short 643C93"));
    plug("out\tSynth", false);
    recordOnce("close out");
    const HWND outputs = control(window, "CmbMidiOut");
    EXPECT_TRUE(pumpUntil([&] {
        return items(outputs).back() == text(Text::NotConnectedEntry, "Synth") &&
               selected(outputs) == static_cast<int>(items(outputs).size()) - 1;
    })) << "the wanted device shows as not connected";
    plug("out\tSynth", true); // now the second output
    // Released as the first thing sent there: sustain off, the note-off.
    EXPECT_THAT(recordAfter("open out 1", "short 003C83"),
                ElementsAre("open out 1", "short 0040B3", "short 003C83"));

    plug("in\tKeys", false);
    recordOnce("close in");
    plug("in\tKeys", true);
    recordAfter("open in 1", "start in");
    inject(0x403E90);
    EXPECT_THAT(recordAfter("open in 1", "short 403E93"), Contains("short 403E93"))
        << "relayed again";
}

} // namespace
} // namespace moxel::test
