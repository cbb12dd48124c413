#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "relay/RelayEngine.h"
#include "relay/RelayShared.h"

namespace moxel {
namespace {

using Bytes = std::vector<std::uint8_t>;

class RelayEngineTest : public ::testing::Test {
  protected:
    RelayEngineTest() {
        shared.inputOpen = true;
        shared.outputOpen = true;
    }

    // Runs one incoming message through the relay as a backend does; returns
    // what leaves, or nothing when the relay sends nothing.
    std::optional<Bytes> relay(Bytes message, MessageSource source = MessageSource::Input) {
        if (source == MessageSource::Input && !engine.acceptInput()) {
            return std::nullopt;
        }
        const std::uint8_t original = message.empty() ? 0 : message[0];
        if (!engine.prepareOutput(message.data(), static_cast<unsigned>(message.size()), source)) {
            return std::nullopt;
        }
        engine.markSent(original, message.data(), static_cast<unsigned>(message.size()), source);
        return message;
    }

    RelayShared shared;
    RelayEngine engine{shared};
};

struct ChannelMessage {
    const char* what;
    Bytes bytes; // on channel nibble 0
};

const std::vector<ChannelMessage> kChannelMessages = {
    {"note off", {0x80, 0x3C, 0x40}},           {"note on", {0x90, 0x3C, 0x64}},
    {"note on velocity 0", {0x90, 0x3C, 0x00}}, {"poly pressure", {0xA0, 0x3C, 0x20}},
    {"control change", {0xB0, 0x3B, 0x7F}},     {"program change", {0xC0, 0x05}},
    {"channel pressure", {0xD0, 0x33}},         {"pitch bend", {0xE0, 0x00, 0x40}},
};

TEST_F(RelayEngineTest, RewriteModePutsTheSelectedChannelIntoEveryChannelMessage) {
    for (const auto& m : kChannelMessages) {
        for (int inChannel : {0, 7, 15}) {
            for (int position : {0, 3, 15}) {
                RelayShared s;
                s.inputOpen = true;
                s.outputOpen = true;
                s.channelPosition = position;
                RelayEngine e(s);
                Bytes msg = m.bytes;
                msg[0] = static_cast<std::uint8_t>(msg[0] | inChannel);
                Bytes expected = m.bytes;
                expected[0] = static_cast<std::uint8_t>(expected[0] | position);
                ASSERT_TRUE(e.prepareOutput(msg.data(), static_cast<unsigned>(msg.size()),
                                            MessageSource::Input))
                    << m.what;
                EXPECT_EQ(msg, expected) << m.what << " in " << inChannel << " pos " << position;
                EXPECT_EQ(s.channelPosition.load(), position) << m.what;
                EXPECT_FALSE(s.channelFollowed.load()) << m.what;
            }
        }
    }
}

TEST_F(RelayEngineTest, FollowModeLeavesTheMessageAndMovesTheSelectionToItsChannel) {
    for (const auto& m : kChannelMessages) {
        for (int inChannel : {0, 5, 15}) {
            RelayShared s;
            s.inputOpen = true;
            s.outputOpen = true;
            s.updateInCh = 1;
            s.channelPosition = 9;
            RelayEngine e(s);
            Bytes msg = m.bytes;
            msg[0] = static_cast<std::uint8_t>(msg[0] | inChannel);
            const Bytes before = msg;
            ASSERT_TRUE(e.prepareOutput(msg.data(), static_cast<unsigned>(msg.size()),
                                        MessageSource::Input));
            EXPECT_EQ(msg, before) << m.what;
            EXPECT_EQ(s.channelPosition.load(), inChannel) << m.what;
            EXPECT_TRUE(s.channelFollowed.load()) << m.what;
        }
    }
}

TEST_F(RelayEngineTest, AnyNonzeroFollowFlagMeansFollowMode) {
    shared.updateInCh = -7;
    EXPECT_EQ(relay({0x95, 0x3C, 0x64}), (Bytes{0x95, 0x3C, 0x64}));
    EXPECT_EQ(shared.channelPosition.load(), 5);
}

TEST_F(RelayEngineTest, SystemMessagesAndSysExPassUnchangedAndNeverMoveTheSelection) {
    const std::vector<Bytes> system = {
        {0xF8},       {0xFA},
        {0xFC},       {0xFE},
        {0xFF},       {0xF6},
        {0xF1, 0x23}, {0xF2, 0x10, 0x20},
        {0xF3, 0x04}, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7},
    };
    for (int follow : {0, 1}) {
        for (const Bytes& m : system) {
            RelayShared s;
            s.inputOpen = true;
            s.outputOpen = true;
            s.updateInCh = follow;
            s.channelPosition = 3;
            RelayEngine e(s);
            Bytes msg = m;
            ASSERT_TRUE(e.prepareOutput(msg.data(), static_cast<unsigned>(msg.size()),
                                        MessageSource::Input));
            EXPECT_EQ(msg, m) << "status " << int(m[0]) << " follow " << follow;
            EXPECT_EQ(s.channelPosition.load(), 3);
            EXPECT_FALSE(s.channelFollowed.load());
        }
    }
}

TEST_F(RelayEngineTest, WithoutOutputNothingIsSentNoOutputLampAndNoFollow) {
    shared.outputOpen = false;
    for (int follow : {0, 1}) {
        shared.updateInCh = follow;
        shared.channelPosition = 2;
        Bytes msg{0x97, 0x3C, 0x64};
        EXPECT_TRUE(engine.acceptInput());
        EXPECT_FALSE(engine.prepareOutput(msg.data(), 3, MessageSource::Input));
        EXPECT_EQ(msg, (Bytes{0x97, 0x3C, 0x64}));
        EXPECT_EQ(shared.channelPosition.load(), 2);
        EXPECT_FALSE(shared.channelFollowed.load());
        EXPECT_FALSE(shared.outputLamp.load());
        EXPECT_TRUE(shared.inputLamp.exchange(false)) << "the input lamp still lights";
    }
}

TEST_F(RelayEngineTest, WithoutInputNothingIsAcceptedAndNoLampLights) {
    shared.inputOpen = false;
    EXPECT_EQ(relay({0x90, 0x3C, 0x64}), std::nullopt);
    EXPECT_FALSE(shared.inputLamp.load());
    EXPECT_FALSE(shared.outputLamp.load());
    EXPECT_FALSE(engine.takeNews());
}

TEST_F(RelayEngineTest, BytesThatAreNoMidiMessageAreNeverSent) {
    Bytes data{0x3C, 0x64};
    EXPECT_FALSE(engine.prepareOutput(data.data(), 2, MessageSource::Input));
    EXPECT_FALSE(engine.prepareOutput(data.data(), 0, MessageSource::Input));
    EXPECT_FALSE(engine.prepareOutput(data.data(), 2, MessageSource::Ui));
}

TEST_F(RelayEngineTest, LampsLightOnAcceptAndSendOnly) {
    Bytes msg{0x90, 0x3C, 0x64};
    ASSERT_TRUE(engine.acceptInput());
    EXPECT_TRUE(shared.inputLamp.load());
    ASSERT_TRUE(engine.prepareOutput(msg.data(), 3, MessageSource::Input));
    EXPECT_FALSE(shared.outputLamp.load()) << "prepared is not sent";
    engine.markSent(0x90, msg.data(), 3, MessageSource::Input);
    EXPECT_TRUE(shared.outputLamp.load());
}

TEST_F(RelayEngineTest, NewsIsReportedOncePerFlagUntilTheUiTakesTheFlags) {
    EXPECT_FALSE(engine.takeNews());
    ASSERT_TRUE(relay({0x90, 0x3C, 0x64}));
    EXPECT_TRUE(engine.takeNews());
    ASSERT_TRUE(relay({0x80, 0x3C, 0x00}));
    EXPECT_FALSE(engine.takeNews()) << "lamps still lit: the UI has not taken them yet";

    EXPECT_TRUE(shared.outputLamp.exchange(false)); // the UI takes the output lamp only
    ASSERT_TRUE(relay({0x90, 0x3E, 0x64}));
    EXPECT_TRUE(engine.takeNews()) << "the output lamp lit again";

    shared.updateInCh = 1;
    ASSERT_TRUE(relay({0x94, 0x3E, 0x64}));
    EXPECT_TRUE(engine.takeNews()) << "the followed channel is news";
    ASSERT_TRUE(relay({0x96, 0x3E, 0x64}));
    EXPECT_FALSE(engine.takeNews());
    EXPECT_TRUE(shared.channelFollowed.exchange(false));
    EXPECT_EQ(shared.channelPosition.load(), 6);
}

TEST_F(RelayEngineTest, NoteOffGoesToTheChannelItsNoteOnWentTo) {
    shared.channelPosition = 2;
    EXPECT_EQ(relay({0x90, 0x3C, 0x64}), (Bytes{0x92, 0x3C, 0x64}));
    EXPECT_EQ(relay({0x91, 0x40, 0x64}), (Bytes{0x92, 0x40, 0x64}));
    shared.channelPosition = 5;
    EXPECT_EQ(relay({0x80, 0x3C, 0x40}), (Bytes{0x82, 0x3C, 0x40}));
    EXPECT_EQ(relay({0x91, 0x40, 0x00}), (Bytes{0x92, 0x40, 0x00})) << "velocity 0 is a note-off";
    // Released: the next note-off of those keys follows the selection again.
    EXPECT_EQ(relay({0x80, 0x3C, 0x40}), (Bytes{0x85, 0x3C, 0x40}));
    // Other messages always take the current selection.
    EXPECT_EQ(relay({0xB0, 0x40, 0x7F}), (Bytes{0xB5, 0x40, 0x7F}));
}

TEST_F(RelayEngineTest, NoteRoutingTellsInputChannelsApart) {
    shared.channelPosition = 1;
    ASSERT_TRUE(relay({0x90, 0x3C, 0x64})); // in 0 -> out 1
    shared.channelPosition = 7;
    ASSERT_TRUE(relay({0x93, 0x3C, 0x64})); // in 3 -> out 7
    shared.channelPosition = 9;
    EXPECT_EQ(relay({0x83, 0x3C, 0x00}), (Bytes{0x87, 0x3C, 0x00}));
    EXPECT_EQ(relay({0x80, 0x3C, 0x00}), (Bytes{0x81, 0x3C, 0x00}));
    EXPECT_FALSE(engine.notes().sounding(1, 0x3C));
    EXPECT_FALSE(engine.notes().sounding(7, 0x3C));
}

TEST_F(RelayEngineTest, UiMessagesTakeTheRuleButNoInputLamp) {
    shared.channelPosition = 4;
    EXPECT_EQ(relay({0xC0, 0x10}, MessageSource::Ui), (Bytes{0xC4, 0x10}));
    EXPECT_FALSE(shared.inputLamp.load());
    EXPECT_TRUE(shared.outputLamp.load());
}

} // namespace
} // namespace moxel
