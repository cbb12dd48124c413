// The relay through a real JACK server: Moxel's backend between two peers,
// one as the input device and one as the output device.

#include <atomic>
#include <thread>

#include "e2e/JackFixture.h"

namespace moxel::test {
namespace {

class JackRelayTest : public JackFixture {
  protected:
    void SetUp() override {
        JackFixture::SetUp();
        ASSERT_TRUE(source.ok());
        ASSERT_TRUE(sink.ok());
        in = openInput(source);
        out = openOutput(sink);
        ASSERT_NE(in, 0u);
        ASSERT_NE(out, 0u);
    }

    // Sends one message from the source and returns what the sink got.
    std::vector<Bytes> relayOne(const Bytes& message) {
        sink.clearReceived();
        EXPECT_TRUE(source.send(message));
        EXPECT_TRUE(sink.waitForReceived(1)) << "nothing arrived";
        return bytesOf(sink.received());
    }

    JackPeer source{"src"};
    JackPeer sink{"dst"};
    MidiHandle in = 0;
    MidiHandle out = 0;
};

TEST_F(JackRelayTest, RewriteModePutsTheSelectedChannelIntoTheMessage) {
    shared.channelPosition = 3;
    EXPECT_EQ(relayOne({0x90, 0x3C, 0x64}), (std::vector<Bytes>{{0x93, 0x3C, 0x64}}));
    shared.channelPosition = 0;
    EXPECT_EQ(relayOne({0xB5, 0x3B, 0x7F}), (std::vector<Bytes>{{0xB0, 0x3B, 0x7F}}));
    EXPECT_FALSE(shared.channelFollowed.load());
    EXPECT_TRUE(shared.inputLamp.load());
    EXPECT_TRUE(shared.outputLamp.load());
}

TEST_F(JackRelayTest, FollowModeSendsUnchangedAndMovesTheSelection) {
    shared.updateInCh = 1;
    shared.channelPosition = 0;
    EXPECT_EQ(relayOne({0x95, 0x3C, 0x64}), (std::vector<Bytes>{{0x95, 0x3C, 0x64}}));
    EXPECT_EQ(shared.channelPosition.load(), 5);
    EXPECT_TRUE(shared.channelFollowed.load());
}

TEST_F(JackRelayTest, SystemMessagesAndSysExPassUntouched) {
    shared.channelPosition = 3;
    Bytes sysex{0xF0, 0x7D};
    for (std::uint8_t i = 0; i < 17; ++i) {
        sysex.push_back(static_cast<std::uint8_t>(i * 7 % 128));
    }
    sysex.push_back(0xF7);
    ASSERT_EQ(sysex.size(), 20u);
    for (const Bytes& m : std::vector<Bytes>{{0xF8}, {0xFE}, {0xF2, 0x10, 0x20}, sysex}) {
        EXPECT_EQ(relayOne(m), std::vector<Bytes>{m}) << "status " << int(m[0]);
    }
    EXPECT_EQ(shared.channelPosition.load(), 3);
}

TEST_F(JackRelayTest, EachEventLeavesInTheSameCycleAtTheSameFrame) {
    const std::vector<std::uint32_t> offsets{0, 1, 17, 40, source.periodFrames() - 1};
    std::vector<ScheduledEvent> batch;
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        batch.push_back({{0x90, static_cast<std::uint8_t>(60 + i), 0x40}, offsets[i]});
    }
    ASSERT_TRUE(source.sendBatch(batch));
    ASSERT_TRUE(source.waitForSent(batch.size()));
    ASSERT_TRUE(sink.waitForReceived(batch.size()));
    const auto sent = source.sent();
    const auto got = sink.received();
    ASSERT_EQ(got.size(), sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(got[i].frame, sent[i].frame) << "event " << i << " offset " << offsets[i];
        EXPECT_EQ(got[i].bytes, sent[i].bytes);
    }
    EXPECT_EQ(sent.back().frame - sent.front().frame, offsets.back()) << "all in one cycle";
}

TEST_F(JackRelayTest, BytesThatAreNoMidiMessageAreDropped) {
    ASSERT_TRUE(source.sendBatch({{{0x3C, 0x40}, 0}, {{0x90, 0x3C, 0x40}, 1}}));
    ASSERT_TRUE(source.waitForSent(2)) << source.sent().size();
    ASSERT_TRUE(sink.waitForReceived(1));
    ASSERT_TRUE(sink.waitForCycleAfter(sink.received()[0].frame));
    EXPECT_EQ(bytesOf(sink.received()), (std::vector<Bytes>{{0x90, 0x3C, 0x40}}));
}

TEST_F(JackRelayTest, WithoutOutputTheInputLampLightsButNothingIsSent) {
    backend->closeOutput(out);
    shared.inputLamp = false;
    ASSERT_TRUE(source.send({0x90, 0x3C, 0x40}));
    ASSERT_TRUE(source.waitForSent(1));
    ASSERT_TRUE(waitUntil([&] { return shared.inputLamp.load(); }));
    ASSERT_TRUE(sink.waitForCycleAfter(source.sent()[0].frame));
    EXPECT_TRUE(sink.received().empty());
    EXPECT_FALSE(shared.outputLamp.load());
}

TEST_F(JackRelayTest, ProgramChangeFromTheUiArrivesWithTheChannelRule) {
    shared.channelPosition = 5;
    EXPECT_TRUE(backend->sendShort(out, 0x000007C0)); // program 7 on channel 1
    ASSERT_TRUE(sink.waitForReceived(1));
    EXPECT_EQ(bytesOf(sink.received()), (std::vector<Bytes>{{0xC5, 0x07}}));
    EXPECT_TRUE(shared.outputLamp.load());
}

TEST_F(JackRelayTest, SendShortRefusesWhatCannotGoOut) {
    EXPECT_FALSE(backend->sendShort(0, 0x000007C0)) << "no handle";
    EXPECT_FALSE(backend->sendShort(out + in + 1, 0x000007C0)) << "unknown handle";
    EXPECT_FALSE(backend->sendShort(in, 0x000007C0)) << "an input's handle";
    EXPECT_FALSE(backend->sendShort(out, 0x00000740)) << "no status byte";
    EXPECT_FALSE(backend->sendShort(out, 0x000000F0)) << "SysEx is no short message";
    EXPECT_FALSE(backend->sendShort(out, 0x00008090)) << "data byte with the top bit";
    EXPECT_TRUE(backend->sendShort(out, 0xFFFF00C0)) << "bytes the message does not have";
    ASSERT_TRUE(sink.waitForReceived(1));
    ASSERT_TRUE(sink.waitForCycleAfter(sink.received()[0].frame));
    EXPECT_EQ(bytesOf(sink.received()), (std::vector<Bytes>{{0xC0, 0x00}}));
}

TEST_F(JackRelayTest, TheActivityCallbackRunsOffTheProcessThreadAndIsReArmedByTheUi) {
    std::atomic<int> calls{0};
    std::atomic<bool> calledInCallback{false};
    backend->setActivityCallback([&] {
        calledInCallback = calledInCallback || JackBackend::inProcessCallback();
        ++calls;
    });
    ASSERT_TRUE(source.send({0x90, 0x3C, 0x40}));
    ASSERT_TRUE(waitUntil([&] { return calls.load() >= 1; }));
    EXPECT_TRUE(shared.inputLamp.exchange(false));
    EXPECT_TRUE(shared.outputLamp.exchange(false));

    // Lamps taken: the next message is news again.
    const int before = calls.load();
    ASSERT_TRUE(source.send({0x80, 0x3C, 0x40}));
    ASSERT_TRUE(waitUntil([&] { return calls.load() > before; }));
    EXPECT_TRUE(shared.inputLamp.exchange(false));
    EXPECT_FALSE(calledInCallback.load());
    backend->setActivityCallback({});
}

TEST_F(JackRelayTest, EventsThatDoNotFitTheOutputBufferAreCounted) {
    // The UI's messages go out at frame 0 before the relayed input, so a
    // cycle whose input already fills a whole buffer cannot pass all of it.
    Bytes big(JackPeer::kMaxEventBytes, 0x11);
    big.front() = 0xF0;
    big.back() = 0xF7;
    std::vector<ScheduledEvent> flood(1000, ScheduledEvent{big, 0});
    std::size_t uiSent = 0;
    ASSERT_TRUE(waitUntil(
        [&] {
            for (int i = 0; i < 100; ++i) {
                uiSent += backend->sendShort(out, 0x000040B0) ? 1 : 0;
            }
            source.sendBatch(flood);
            sink.received(); // keep the sink's queue drained
            return backend->lostEvents() > 0;
        },
        std::chrono::milliseconds(20000)));
    // Everything that left the source either arrived or was counted.
    ASSERT_TRUE(waitUntil([&] {
        return sink.received().size() + backend->lostEvents() == source.sent().size() + uiSent;
    }));
}

} // namespace
} // namespace moxel::test
