// The relay through a real JACK server: Moxel's backend between two peers,
// one as the input device and one as the output device.
#include <algorithm>
#include <atomic>

#include "JackFixture.h"

namespace moxel::test {
namespace {

class JackRelayTest : public JackFixture {
  protected:
    void SetUp() override {
        JackFixture::SetUp();
        ASSERT_TRUE(source.ok() && sink.ok());
        in = openInput(source);
        out = openOutput(sink);
        ASSERT_NE(in * out, 0u);
    }

    JackPeer source{"src"};
    JackPeer sink{"dst"};
    midi::MidiHandle in = 0;
    midi::MidiHandle out = 0;
};

TEST_F(JackRelayTest, EachMessageLeavesInTheSameCycleAtTheSameFrameWithTheChannelRule) {
    shared.outputChannel = 3;
    Bytes sysex{0xF0, 0x7D};
    sysex.resize(19, 0x21);
    sysex.push_back(0xF7);
    const std::uint32_t last = source.periodFrames() - 1;
    // The channel rule is the contract's; here each kind of event keeps its
    // frame: a channel message, bytes that are no MIDI message, a SysEx.
    const std::vector<std::pair<ScheduledEvent, Bytes>> cases{
        {{{0x90, 0x3C, 0x64}, 0}, {0x93, 0x3C, 0x64}},
        {{{0x3C, 0x40}, 5}, {}},
        {{sysex, 40}, sysex},
        {{{0xE0, 0x00, 0x40}, last}, {0xE3, 0x00, 0x40}}};
    std::vector<ScheduledEvent> batch;
    std::vector<Bytes> expected;
    for (const auto& [event, leaves] : cases) {
        batch.push_back(event);
        if (!leaves.empty()) {
            expected.push_back(leaves);
        }
    }
    ASSERT_TRUE(source.sendBatch(batch));
    ASSERT_TRUE(source.waitForSent(batch.size()));
    ASSERT_TRUE(sink.waitForReceived(expected.size()));
    const auto sent = source.sent();
    const auto got = sink.received();
    ASSERT_TRUE(sink.waitForCycleAfter(got.back().frame));
    EXPECT_EQ(sink.receivedBytes(), expected);
    for (std::size_t i = 0, j = 0; i < sent.size(); ++i) {
        if (sent[i].bytes[0] >= 0x80) {
            EXPECT_EQ(got[j++].frame, sent[i].frame) << "event " << i;
        }
    }
    EXPECT_EQ(sent.back().frame - sent.front().frame, last) << "all in one cycle";
    EXPECT_TRUE(shared.inputLamp.load() && shared.outputLamp.load());
}

// The most one cycle carries (what the source's port takes of more) passes
// whole. A port that hears it through Moxel and straight from the source keeps
// one port's worth: the rest is lost whichever way it came.
TEST_F(JackRelayTest, ACycleAsFullAsAPortTakesPassesWholeAndTwoOfThemMeetingKeepOne) {
    JackPeer both("both");
    ASSERT_TRUE(both.connect(source.sourcePort(), both.sinkPort()) &&
                both.connect(backend->outputPortName(), both.sinkPort()));
    ASSERT_TRUE(waitUntil([&] {
        return connected(both.client(), source.sourcePort(), both.sinkPort()) &&
               connected(both.client(), backend->outputPortName(), both.sinkPort());
    }));
    shared.outputChannel = 3;
    const std::vector<ScheduledEvent> burst(3000, {{0x90, 0x3C, 0x40}, 0});
    ASSERT_TRUE(source.sendBatch(burst));
    ASSERT_TRUE(source.waitForSent(1));
    ASSERT_TRUE(source.waitForCycleAfter(source.sent().back().frame)); // all in that one cycle
    const std::size_t port = source.sent().size();
    ASSERT_LT(port, burst.size()); // the burst was more than the port takes
    ASSERT_TRUE(sink.waitForReceived(port) && both.waitForReceived(port));
    ASSERT_TRUE(sink.waitForCycleAfter(sink.received().back().frame + sink.periodFrames()) &&
                both.waitForCycleAfter(both.received().back().frame + both.periodFrames()));
    EXPECT_EQ(std::ranges::count(sink.receivedBytes(), Bytes{0x93, 0x3C, 0x40}), port);
    EXPECT_EQ(both.received().size(), port);
}

TEST_F(JackRelayTest, TheActivityCallbackRunsOffTheProcessThreadAndIsReArmedByTheUi) {
    std::atomic<int> calls{0};
    std::atomic<bool> calledInCallback{false};
    backend->setNewsCallback(midi::News::Relay, [&] {
        calledInCallback = calledInCallback || midi::JackBackend::inProcessCallback();
        ++calls;
    });
    for (const std::uint8_t status : {0x90, 0x80}) {
        const int before = calls.load();
        ASSERT_TRUE(source.send({status, 0x3C, 0x40}));
        ASSERT_TRUE(waitUntil([&] { return calls.load() > before; }));
        EXPECT_TRUE(shared.inputLamp.exchange(false)); // the UI takes the news: re-armed
        EXPECT_TRUE(shared.outputLamp.exchange(false));
    }
    EXPECT_FALSE(calledInCallback.load());
    backend->setNewsCallback(midi::News::Relay, {});
}

} // namespace
} // namespace moxel::test
