// The winmm backend against a scripted multimedia service: device lists, in
// use and failures, the relay on its own thread, SysEx, the reset, closing,
// and devices that come and go.
#include "midi/backends/winmm/WinmmBackend.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "FakeWinmm.h"
#include "relay/RelayShared.h"
#include "support/PumpUntil.h"

namespace moxel {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class WinmmBackendTest : public ::testing::Test {
  protected:
    // Opens input 0 and output 0 and starts the input.
    void openBoth() {
        winmm.inputs = {{u"Keys"}};
        winmm.outputs = {{u"Synth"}};
        ASSERT_EQ(backend.openInput(0, in), OpenResult::Ok);
        backend.startInput(in);
        ASSERT_EQ(backend.openOutput(0, out), OpenResult::Ok);
        winmm.clearCalls();
    }
    // The log once it holds that many lines starting with prefix.
    std::vector<std::string> callsOnce(const std::string& prefix, std::size_t count) {
        EXPECT_TRUE(test::pumpUntil([&] { return winmm.count(prefix) >= count; }))
            << "waiting for " << count << " x " << prefix;
        return winmm.calls();
    }

    test::FakeWinmm winmm;
    RelayShared shared;
    WinmmBackend backend{shared, winmm.api()};
    MidiHandle in = 0, out = 0;
};

TEST_F(WinmmBackendTest, ListsNamesFromTheCapabilityRecordsAndTellsWhyNot) {
    const std::u16string full(32, u'\u30E2'); // fills the whole field, no NUL
    winmm.inputs = {{u"\u30E4\u30DE\u30CF USB"},
                    {u"Busy", MMSYSERR_ALLOCATED},
                    {u"Gone", MMSYSERR_NODRIVER},
                    {full}};
    winmm.outputs = {{u"Synth\0extra"}};
    ASSERT_EQ(backend.inputCount(), 4);
    struct Row {
        CapsResult result;
        std::string name;
    };
    const Row expected[] = {{CapsResult::Ok, "ヤマハ USB"},
                            {CapsResult::Allocated, ""},
                            {CapsResult::Failed, ""},
                            {CapsResult::Ok, std::string(32 * 3, '\0')}};
    for (int id = 0; id < 3; ++id) {
        const DeviceCaps caps = backend.inputCaps(id);
        EXPECT_EQ(caps.result, expected[id].result) << id;
        EXPECT_EQ(caps.name, expected[id].name) << id;
    }
    std::string fullName;
    for (int i = 0; i < 32; ++i) {
        fullName += "\xE3\x83\xA2";
    }
    EXPECT_EQ(backend.inputCaps(3).name, fullName);
    EXPECT_EQ(backend.inputCaps(9).result, CapsResult::Failed);
    ASSERT_EQ(backend.outputCount(), 1);
    EXPECT_EQ(backend.outputCaps(0).name, "Synth");
}

TEST_F(WinmmBackendTest, OpenTellsInUseFromAllocatedAndFailsOtherwise) {
    winmm.inputs = {{u"A"},
                    {u"B", MMSYSERR_NOERROR, MMSYSERR_ALLOCATED},
                    {u"C", MMSYSERR_NOERROR, MMSYSERR_NOMEM}};
    winmm.outputs = winmm.inputs;
    const OpenResult expected[] = {OpenResult::Ok, OpenResult::InUse, OpenResult::Failed,
                                   OpenResult::Failed};
    for (int id = 0; id < 4; ++id) {
        MidiHandle input = 7, output = 7;
        EXPECT_EQ(backend.openInput(id, input), expected[id]) << id;
        EXPECT_EQ(backend.openOutput(id, output), expected[id]) << id;
        EXPECT_EQ(input != 0, id == 0);
        EXPECT_EQ(output != 0, id == 0);
    }
    // The input was opened with a callback function and got its SysEx buffers.
    EXPECT_EQ(winmm.count("midiInOpen 0"), 1U);
    EXPECT_EQ(winmm.count("midiInOpen 0 ?"), 0U);
    EXPECT_EQ(winmm.count("midiInAddBuffer"), 4U);
    EXPECT_EQ(winmm.prepared(), 0) << "the failed opens closed what was open";
}

TEST_F(WinmmBackendTest, TheRelayRunsTheChannelRuleOnATimeCriticalThreadOfItsOwn) {
    openBoth();
    shared.channelPosition.store(3);
    winmm.receive(0x643C90); // note on, channel 1
    winmm.receive(0x003BB5);
    auto calls = callsOnce("midiOutShortMsg", 2);
    EXPECT_THAT(calls, ElementsAre("midiOutShortMsg 643C93", "midiOutShortMsg 003BB3"));
    EXPECT_NE(winmm.senderThread(), GetCurrentThreadId());
    EXPECT_EQ(winmm.senderPriority(), THREAD_PRIORITY_TIME_CRITICAL);
    EXPECT_TRUE(shared.inputLamp.load());
    EXPECT_TRUE(shared.outputLamp.load());

    shared.updateInCh.store(1); // follow mode: unchanged, and the channel follows
    winmm.receive(0x643C95);
    calls = callsOnce("midiOutShortMsg", 3);
    EXPECT_EQ(calls.back(), "midiOutShortMsg 643C95");
    EXPECT_EQ(shared.channelPosition.load(), 5);

    // The UI's messages take the same rule and the same thread.
    shared.updateInCh.store(0);
    EXPECT_TRUE(backend.sendShort(out, 0x05C0));
    EXPECT_FALSE(backend.sendShort(out + 1, 0x05C0)) << "not the open output";
    EXPECT_FALSE(backend.sendShort(out, 0xF0)) << "no short message";
    calls = callsOnce("midiOutShortMsg", 4);
    EXPECT_EQ(calls.back(), "midiOutShortMsg 0005C5");
}

TEST_F(WinmmBackendTest, NewsReachesTheActivityCallbackAndAFailedSendLightsNoLamp) {
    openBoth();
    std::atomic<int> news{0};
    backend.setActivityCallback([&] { ++news; });
    winmm.shortResult = MMSYSERR_NODRIVER; // the device was pulled out
    winmm.receive(0x643C90);
    ASSERT_TRUE(test::pumpUntil([&] { return news.load() > 0; }));
    EXPECT_TRUE(shared.inputLamp.exchange(false));
    EXPECT_FALSE(shared.outputLamp.load());
    const int before = news.load();
    backend.setActivityCallback({});
    shared.inputLamp.store(false);
    winmm.receive(0x643C90);
    callsOnce("midiOutShortMsg", 2);
    EXPECT_EQ(news.load(), before);
}

TEST_F(WinmmBackendTest, SysexTravelsInPreparedBuffersThatGoBackToTheDriver) {
    openBoth();
    ASSERT_EQ(winmm.buffersHeld(), 4U);
    ASSERT_TRUE(winmm.receiveSysex({0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}));
    ASSERT_TRUE(winmm.receiveSysex({0xF0, 0x43, 0x10})); // begins ...
    ASSERT_TRUE(winmm.receiveSysex({0x4C, 0x00, 0xF7})); // ... and ends in the next buffer
    ASSERT_TRUE(winmm.receiveSysex({0x12, 0x34}));       // part of no SysEx: dropped
    const auto calls = callsOnce("midiInAddBuffer", 4);
    std::vector<std::string> sent;
    std::ranges::copy_if(calls, std::back_inserter(sent),
                         [](const std::string& line) { return line.starts_with("midiOutLong"); });
    EXPECT_THAT(sent, ElementsAre("midiOutLongMsg F0 7E 7F 06 01 F7", "midiOutLongMsg F0 43 10",
                                  "midiOutLongMsg 4C 00 F7"));
    EXPECT_EQ(winmm.buffersHeld(), 4U) << "every buffer went back";
    EXPECT_TRUE(shared.outputLamp.load());
}

TEST_F(WinmmBackendTest, ResetSendsTheServicesResetThenReleasesEveryChannel) {
    openBoth();
    shared.channelPosition.store(3);
    winmm.receive(0x643C90); // key 0x3C now sounds on channel 4
    callsOnce("midiOutShortMsg", 1);
    winmm.clearCalls();
    shared.outputLamp.store(false);
    backend.resetOutput(out); // returns once done
    const auto calls = winmm.calls();
    ASSERT_EQ(calls.size(), 1U + 16 * 3 + 1);
    EXPECT_EQ(calls[0], "midiOutReset");
    // Each channel: sustain off, its sounding notes off, all notes off, all sound off.
    EXPECT_THAT(
        std::vector(calls.begin() + 1, calls.begin() + 4),
        ElementsAre("midiOutShortMsg 0040B0", "midiOutShortMsg 007BB0", "midiOutShortMsg 0078B0"));
    EXPECT_THAT(std::vector(calls.begin() + 10, calls.begin() + 14),
                ElementsAre("midiOutShortMsg 0040B3", "midiOutShortMsg 003C83",
                            "midiOutShortMsg 007BB3", "midiOutShortMsg 0078B3"));
    EXPECT_FALSE(shared.outputLamp.exchange(false)) << "the reset lights no lamp";
}

TEST_F(WinmmBackendTest, ClosingTheInputReturnsItsBuffersAndReleasesItsNotes) {
    openBoth();
    winmm.receive(0x643C91); // channel 2 in, channel 1 out
    callsOnce("midiOutShortMsg", 1);
    backend.closeInput(in);
    EXPECT_THAT(winmm.calls(), ElementsAre("midiOutShortMsg 643C90", "midiInStop", "midiInReset",
                                           "midiInClose", "midiOutShortMsg 003C80"));
    EXPECT_EQ(winmm.buffersHeld(), 0U) << "none handed back to the driver after its reset";
    winmm.receive(0x643C90); // too late: the input is closed
    backend.closeOutput(out);
    EXPECT_EQ(winmm.count("midiOutShortMsg"), 2U);
    EXPECT_EQ(winmm.calls().back(), "midiOutClose");
    EXPECT_EQ(winmm.prepared(), 0);
}

TEST_F(WinmmBackendTest, DevicesThatComeOrGoAreNoticed) {
    winmm.inputs = {{u"Keys"}};
    winmm.outputs = {{u"Synth"}, {u"Other"}};
    int changes = 0;
    backend.setDeviceChangeCallback([&] { ++changes; });
    backend.inputCount();
    backend.outputCount();
    EXPECT_FALSE(backend.checkDevices());
    winmm.outputs.pop_back();
    EXPECT_TRUE(backend.checkDevices());
    EXPECT_FALSE(backend.checkDevices()) << "the same change once";
    winmm.inputs[0].name = u"Keys 2";
    EXPECT_TRUE(backend.checkDevices());
    EXPECT_EQ(changes, 2);

    // The system's own message reaches the backend's hidden window.
    winmm.outputs.push_back({u"Back"});
    SendMessageTimeoutW(HWND_BROADCAST, WM_DEVICECHANGE, 0x0007 /* DBT_DEVNODES_CHANGED */, 0,
                        SMTO_ABORTIFHUNG, 1000, nullptr);
    EXPECT_TRUE(test::pumpUntil([&] { return changes == 3; }));
}

// An open device whose name left the list is gone, even once a device of its
// name is back; an output closed while notes sounded releases them on the
// next output of its name, first, and not on another.
TEST_F(WinmmBackendTest, AVanishedDeviceStaysGoneAndItsNotesWaitForItsName) {
    openBoth();
    EXPECT_TRUE(backend.deviceConnected(in) && backend.deviceConnected(out));
    EXPECT_TRUE(backend.serviceAvailable() && backend.connectService());
    shared.channelPosition.store(3);
    winmm.receive(0x643C90); // sounds on channel 4
    callsOnce("midiOutShortMsg", 1);
    winmm.outputs = {{u"Other"}};
    backend.checkDevices();
    EXPECT_FALSE(backend.deviceConnected(out));
    EXPECT_TRUE(backend.deviceConnected(in));
    winmm.outputs = {{u"Other"}, {u"Synth"}};
    backend.checkDevices();
    EXPECT_FALSE(backend.deviceConnected(out)) << "its handle died with it";
    backend.closeOutput(out);

    MidiHandle other = 0;
    ASSERT_EQ(backend.openOutput(0, other), OpenResult::Ok);
    backend.closeOutput(other); // after a reset nothing would sound; here nothing did
    winmm.clearCalls();
    MidiHandle back = 0;
    ASSERT_EQ(backend.openOutput(1, back), OpenResult::Ok);
    EXPECT_THAT(winmm.calls(),
                ElementsAre("midiOutOpen 1", "midiOutShortMsg 0040B3", "midiOutShortMsg 003C83"));
    EXPECT_TRUE(backend.deviceConnected(back));
    winmm.clearCalls();
    backend.closeOutput(back);
    ASSERT_EQ(backend.openOutput(1, back), OpenResult::Ok);
    EXPECT_EQ(winmm.count("midiOutShortMsg"), 0U) << "released once";

    // Unplugged and back between two looks: the same list, a dead handle.
    backend.outputCount();
    int changes = 0;
    backend.setDeviceChangeCallback([&] { ++changes; });
    winmm.outputDead = true;
    EXPECT_TRUE(backend.checkDevices());
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(backend.deviceConnected(back));
}

} // namespace
} // namespace moxel
