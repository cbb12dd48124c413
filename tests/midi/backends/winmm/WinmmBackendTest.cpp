// What only the winmm backend does, against a scripted multimedia service:
// names from capability records, "in use", the relay's thread, a failed send,
// the service's own reset, the input's buffers, a changed device list and
// dead handles. (The behaviour every backend shares is in the backend
// contract, run against winmm too; the system's device-change message
// reaching the program, in the program test under Wine.)
#include "midi/backends/winmm/WinmmBackend.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "FakeWinmm.h"
#include "encoding/Utf16.h"
#include "relay/RelayShared.h"
#include "support/PumpUntil.h"

namespace moxel {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

class WinmmBackendTest : public ::testing::Test {
  protected:
    // Opens input 0 and output 0 and starts the input.
    void openBoth() {
        winmm.inputs = {{u"Keys"}};
        winmm.outputs = {{u"Synth"}};
        backend.inputs();
        backend.outputs();
        ASSERT_EQ(backend.openInput(0, in), midi::OpenResult::Ok);
        backend.startInput(in);
        ASSERT_EQ(backend.openOutput(0, out), midi::OpenResult::Ok);
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
    midi::WinmmBackend backend{shared, winmm.api()};
    midi::MidiHandle in = 0, out = 0;
};

TEST_F(WinmmBackendTest, ListsNamesFromTheCapabilityRecordsAndTellsWhyNot) {
    const std::u16string full(32, u'\u30E2'); // fills the whole field, no NUL
    winmm.inputs = {{u"\u30E4\u30DE\u30CF USB"},
                    {u"Busy", MMSYSERR_ALLOCATED},
                    {u"Gone", MMSYSERR_NODRIVER},
                    {full}};
    winmm.outputs = {{std::u16string(u"Synth\0extra", 11)}};
    std::vector<std::pair<midi::CapsResult, std::string>> inputs;
    for (const midi::DeviceCaps& caps : backend.inputs()) {
        inputs.emplace_back(caps.result, caps.name);
    }
    EXPECT_THAT(inputs, ElementsAre(Pair(midi::CapsResult::Ok, "ヤマハ USB"),
                                    Pair(midi::CapsResult::Allocated, ""),
                                    Pair(midi::CapsResult::Failed, ""),
                                    Pair(midi::CapsResult::Ok, utf8FromUtf16(full))));
    const auto outputs = backend.outputs();
    ASSERT_EQ(outputs.size(), 1U);
    EXPECT_EQ(outputs[0].name, "Synth");
}

TEST_F(WinmmBackendTest, OpenTellsInUseFromAllocatedAndFailsOtherwise) {
    winmm.inputs = {{u"A"},
                    {u"B", MMSYSERR_NOERROR, MMSYSERR_ALLOCATED},
                    {u"C", MMSYSERR_NOERROR, MMSYSERR_NOMEM}};
    winmm.outputs = winmm.inputs;
    backend.inputs();
    backend.outputs();
    const midi::OpenResult expected[] = {midi::OpenResult::Ok, midi::OpenResult::InUse,
                                         midi::OpenResult::Failed, midi::OpenResult::Failed};
    for (int id = 0; id < 4; ++id) {
        midi::MidiHandle input = 7, output = 7;
        EXPECT_EQ(backend.openInput(id, input), expected[id]) << id;
        EXPECT_EQ(backend.openOutput(id, output), expected[id]) << id;
        EXPECT_EQ(input != 0, id == 0);
        EXPECT_EQ(output != 0, id == 0);
    }
    // The input was opened with a callback function and got its SysEx buffers.
    EXPECT_EQ(winmm.count("midiInOpen 0"), 1U);
    EXPECT_EQ(winmm.count("midiInOpen 0 ?"), 0U);
    EXPECT_EQ(winmm.count("midiInAddBuffer"), 4U);
    EXPECT_EQ(winmm.preparedHeaders, 0) << "the failed opens closed what was open";
}

TEST_F(WinmmBackendTest, TheRelaySendsOnATimeCriticalThreadOfItsOwn) {
    openBoth();
    winmm.receive(0x643C90);
    EXPECT_TRUE(backend.sendShort(out, 0x05C0));
    EXPECT_THAT(callsOnce("midiOutShortMsg", 2),
                ElementsAre("midiOutShortMsg 643C90", "midiOutShortMsg 0005C0"));
    EXPECT_NE(winmm.sender().first, GetCurrentThreadId());
    EXPECT_EQ(winmm.sender().second, THREAD_PRIORITY_TIME_CRITICAL);
}

TEST_F(WinmmBackendTest, NewsReachesTheActivityCallbackAndAFailedSendLightsNoLamp) {
    openBoth();
    std::atomic<int> news{0};
    backend.setNewsCallback(midi::News::Relay, [&] { ++news; });
    winmm.shortResult = MMSYSERR_NODRIVER; // the device was pulled out
    winmm.receive(0x643C90);
    ASSERT_TRUE(test::pumpUntil([&] { return news.load() > 0; }));
    EXPECT_TRUE(shared.inputLamp.exchange(false));
    EXPECT_FALSE(shared.outputLamp.load());
    const int before = news.load();
    backend.setNewsCallback(midi::News::Relay, {});
    shared.inputLamp.store(false);
    winmm.receive(0x643C90);
    callsOnce("midiOutShortMsg", 2);
    EXPECT_EQ(news.load(), before);
}

TEST_F(WinmmBackendTest, TheResetBeginsWithTheServicesOwn) {
    openBoth();
    backend.resetOutput(out); // returns once done
    const auto calls = winmm.calls();
    ASSERT_EQ(calls.size(), 1U + 16 * 3);
    EXPECT_EQ(calls[0], "midiOutReset"); // it ends a SysEx on its way out
    EXPECT_EQ(calls[1], "midiOutShortMsg 0040B0");
}

TEST_F(WinmmBackendTest, ClosingTheInputReturnsItsBuffersAndReleasesItsNotes) {
    openBoth();
    winmm.receive(0x643C91); // channel 2 in, channel 1 out
    callsOnce("midiOutShortMsg", 1);
    backend.closeInput(in);
    EXPECT_THAT(winmm.calls(), ElementsAre("midiOutShortMsg 643C90", "midiInStop", "midiInReset",
                                           "midiInClose", "midiOutShortMsg 003C80"));
    EXPECT_EQ(winmm.buffersHeld(), 0U) << "none handed back to the driver after its reset";
    backend.closeOutput(out);
    EXPECT_EQ(winmm.calls().back(), "midiOutClose");
    EXPECT_EQ(winmm.preparedHeaders, 0);
}

TEST_F(WinmmBackendTest, DevicesThatComeOrGoAreNoticed) {
    winmm.inputs = {{u"Keys"}};
    winmm.outputs = {{u"Synth"}, {u"Other"}};
    int changes = 0;
    backend.setNewsCallback(midi::News::Devices, [&] { ++changes; });
    backend.inputs();
    backend.outputs();
    EXPECT_FALSE(backend.checkDevices());
    winmm.outputs.pop_back();
    EXPECT_TRUE(backend.checkDevices());
    EXPECT_FALSE(backend.checkDevices()) << "the same change once";
    winmm.inputs[0].name = u"Keys 2";
    EXPECT_TRUE(backend.checkDevices());
    EXPECT_EQ(changes, 2);
}

// An open device whose name left the list is gone, even once a device of its
// name is back: its handle died with it. Unplugged and back between two
// looks, the list is the same but the handle tells.
TEST_F(WinmmBackendTest, AVanishedDeviceStaysGoneAndADeadHandleTells) {
    openBoth();
    winmm.outputs = {{u"Other"}};
    backend.checkDevices();
    EXPECT_FALSE(backend.deviceConnected(out));
    EXPECT_TRUE(backend.deviceConnected(in));
    winmm.outputs = {{u"Other"}, {u"Synth"}};
    backend.checkDevices();
    EXPECT_FALSE(backend.deviceConnected(out)) << "its handle died with it";

    backend.outputs();
    midi::MidiHandle back = 0;
    ASSERT_EQ(backend.openOutput(1, back), midi::OpenResult::Ok);
    EXPECT_TRUE(backend.deviceConnected(back));
    int changes = 0;
    backend.setNewsCallback(midi::News::Devices, [&] { ++changes; });
    winmm.outputDead = true;
    EXPECT_TRUE(backend.checkDevices());
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(backend.deviceConnected(back));
}

} // namespace
} // namespace moxel
