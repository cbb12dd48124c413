// The relay's parts: the channel rule, lamps and note routing of the engine,
// its note state, the reset sequence and the lock-free ring.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <thread>
#include <vector>

#include "relay/RelayEngine.h"
#include "relay/ResetSequence.h"
#include "relay/SpscRing.h"

namespace moxel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A relay with both ports open, driven the way a backend drives it.
struct Relay {
    explicit Relay(int position = 0, int follow = 0) {
        shared.inputOpen = shared.outputOpen = true;
        shared.channelPosition = position;
        shared.updateInCh = follow;
    }

    // What leaves for one incoming message, or nothing when nothing is sent.
    std::optional<Bytes> operator()(Bytes m, MessageSource source = MessageSource::Input) {
        const std::uint8_t original = m.empty() ? 0 : m[0];
        const auto size = static_cast<unsigned>(m.size());
        if ((source == MessageSource::Input && !engine.acceptInput()) ||
            !engine.prepareOutput(m.data(), size, source)) {
            return std::nullopt;
        }
        engine.markSent(original, m.data(), size, source);
        return m;
    }

    RelayShared shared;
    RelayEngine engine{shared};
};

// Every kind of message, on several channels, in both modes (any nonzero follow
// value means follow mode), with channel 13 selected.
TEST(RelayEngine, TheChannelRuleForEveryKindOfMessage) {
    std::vector<Bytes> kinds = {{0x80, 0x3C, 0x40}, {0x90, 0x3C, 0x64}, {0x90, 0x3C, 0x00},
                                {0xA0, 0x3C, 0x20}, {0xB0, 0x3B, 0x7F}, {0xC0, 0x05},
                                {0xD0, 0x33},       {0xE0, 0x00, 0x40}};
    kinds.insert(kinds.end(), {{0xF8}, {0xFF}, {0xF2, 0x10, 0x20}, {0xF0, 0x7E, 0xF7}});
    for (const Bytes& kind : kinds) {
        const bool channel = kind[0] < 0xF0; // system messages pass unchanged, never follow
        for (int in : {0, 7, 15}) {
            for (int follow : {0, -7}) {
                SCOPED_TRACE(testing::Message() << int(kind[0]) << " in " << in << " f " << follow);
                Relay relay(13, follow);
                Bytes m = kind;
                m[0] |= channel ? in : 0;
                const bool follows = channel && follow != 0;
                Bytes expected = m;
                expected[0] = channel && !follows ? kind[0] | 13 : m[0];
                EXPECT_EQ(relay(m), expected);
                EXPECT_EQ(relay.shared.channelPosition.load(), follows ? in : 13);
                EXPECT_EQ(relay.shared.channelFollowed.load(), follows);
            }
        }
    }
}

// In follow mode, so that a follow shows too. No input: nothing happens at all.
// No output: only the input lamp lights.
TEST(RelayEngine, ClosedPortsAndBytesThatAreNoMessageSendNothing) {
    for (const bool input : {false, true}) {
        for (const bool output : {false, true}) {
            Relay relay(2, 1);
            relay.shared.inputOpen = input;
            relay.shared.outputOpen = output;
            EXPECT_EQ(relay({0x97, 0x3C, 0x64}).has_value(), input && output);
            EXPECT_EQ(relay.shared.channelPosition.load(), input && output ? 7 : 2);
            EXPECT_EQ(relay.shared.channelFollowed.load(), input && output);
            EXPECT_EQ(relay.shared.outputLamp.load(), input && output);
            EXPECT_EQ(relay.shared.inputLamp.load(), input);
            EXPECT_EQ(relay.engine.takeNews(), input) << input << output;
        }
    }
    Relay relay;
    EXPECT_EQ(relay({}), std::nullopt);
    EXPECT_EQ(relay({0x3C, 0x64}), std::nullopt);
    EXPECT_EQ(relay({0x3C, 0x64}, MessageSource::Ui), std::nullopt);
}

TEST(RelayEngine, EachLampAndFollowIsNewsOnceUntilTheUiTakesIt) {
    Relay relay;
    ASSERT_TRUE(relay.engine.acceptInput());
    EXPECT_TRUE(relay.engine.takeNews()) << "the input lamp lit";
    Bytes m{0x90, 0x3C, 0x64};
    ASSERT_TRUE(relay.engine.prepareOutput(m.data(), 3, MessageSource::Input));
    EXPECT_FALSE(relay.shared.outputLamp.load() || relay.engine.takeNews()) << "not yet sent";
    relay.engine.markSent(0x90, m.data(), 3, MessageSource::Input);
    EXPECT_TRUE(relay.shared.outputLamp.load() && relay.engine.takeNews());
    ASSERT_TRUE(relay({0x80, 0x3C, 0x00}));
    EXPECT_FALSE(relay.engine.takeNews()) << "lamps still lit: the UI has not taken them yet";
    EXPECT_TRUE(relay.shared.outputLamp.exchange(false)); // the UI takes the output lamp only
    ASSERT_TRUE(relay({0x90, 0x3E, 0x64}));
    EXPECT_TRUE(relay.engine.takeNews()) << "the output lamp lit again";
    relay.shared.updateInCh = 1;
    ASSERT_TRUE(relay({0x94, 0x3E, 0x64}));
    EXPECT_TRUE(relay.engine.takeNews()) << "the followed channel is news";
    ASSERT_TRUE(relay({0x96, 0x3E, 0x64}));
    EXPECT_FALSE(relay.engine.takeNews());
}

TEST(RelayEngine, InputNoteOffGoesWhereItsNoteOnWent) {
    Relay relay(2);
    EXPECT_EQ(relay({0x90, 0x3C, 0x64}), (Bytes{0x92, 0x3C, 0x64}));
    EXPECT_EQ(relay({0x91, 0x40, 0x64}), (Bytes{0x92, 0x40, 0x64}));
    relay.shared.channelPosition = 7;
    EXPECT_EQ(relay({0x93, 0x3C, 0x64}), (Bytes{0x97, 0x3C, 0x64})) << "same key, other input";
    relay.shared.channelPosition = 5;
    // Other messages take the current selection, whatever key number they carry.
    EXPECT_EQ(relay({0xB1, 0x40, 0x7F}), (Bytes{0xB5, 0x40, 0x7F}));
    EXPECT_EQ(relay({0x83, 0x3C, 0x00}), (Bytes{0x87, 0x3C, 0x00}));
    EXPECT_EQ(relay({0x80, 0x3C, 0x40}), (Bytes{0x82, 0x3C, 0x40}));
    EXPECT_EQ(relay({0x91, 0x40, 0x00}), (Bytes{0x92, 0x40, 0x00})) << "velocity 0 is a note-off";
    EXPECT_EQ(relay({0x81, 0x40, 0x40}), (Bytes{0x85, 0x40, 0x40})) << "released: the selection";
    // The UI's own notes take the selection but are no input's notes.
    relay.shared.channelPosition = 4;
    EXPECT_EQ(relay({0x90, 0x30, 0x64}, MessageSource::Ui), (Bytes{0x94, 0x30, 0x64}));
    relay.shared.channelPosition = 6;
    EXPECT_EQ(relay({0x80, 0x30, 0x00}), (Bytes{0x86, 0x30, 0x00}));
}

using Message = std::array<std::uint8_t, 3>;

void send(NoteTracker& notes, int inChannel, Message m, unsigned size = 3) {
    notes.recordSent(inChannel, m.data(), size);
}

TEST(ResetSequence, SilencesEveryChannelAndReleasesTheSoundingNotesInOrder) {
    NoteTracker notes;
    for (const Message& on : {Message{0x90, 61, 9}, {0x90, 60, 9}, {0x95, 127, 9}, {0x95, 0, 9}}) {
        send(notes, 2, on);
    }
    send(notes, -1, {0x9F, 72, 9});   // the UI's own note
    send(notes, 2, {0x93, 50, 9}, 2); // no velocity: no note-on
    std::map<int, std::vector<std::uint8_t>> held{{0, {60, 61}}, {5, {0, 127}}, {15, {72}}};
    std::vector<Message> expected;
    for (int c = 0; c < 16; ++c) {
        const auto cc = static_cast<std::uint8_t>(0xB0 | c);
        expected.push_back({cc, 64, 0});
        for (const std::uint8_t key : held[c]) {
            expected.push_back({static_cast<std::uint8_t>(0x80 | c), key, 0});
        }
        expected.insert(expected.end(), {{cc, 123, 0}, {cc, 120, 0}});
    }
    ResetSequence reset;
    EXPECT_TRUE(reset.done()) << "nothing to do before start()";
    Message m{}, again{};
    reset.start();
    for (int i = 0; i < 4 && reset.peek(notes, m); ++i) { // into channel 0's note-offs
        reset.advance();
    }
    reset.start(); // starts over
    std::vector<Message> out;
    while (out.size() <= expected.size() && reset.peek(notes, m)) {
        EXPECT_FALSE(reset.done());
        EXPECT_TRUE(reset.peek(notes, again) && again == m) << "not written: offered again";
        out.push_back(m);
        reset.advance();
    }
    EXPECT_EQ(out, expected);
    EXPECT_TRUE(reset.done());
}

// Held input notes are released on the channel each sounds on, lowest input
// channel and key first; All Notes Off and All Sound Off clear their channel.
TEST(NoteTracker, InputReleaseAfterAControlChange) {
    for (std::uint8_t controller : {123, 120, 121, 64}) {
        SCOPED_TRACE(int(controller));
        const bool clears = controller == 123 || controller == 120;
        NoteTracker notes;
        send(notes, 1, {0x93, 61, 9});
        send(notes, 0, {0x93, 60, 9});
        send(notes, 2, {0x94, 62, 9});
        send(notes, -1, {0x97, 64, 9}); // the UI's own note is no input's
        send(notes, -1, {0xB3, controller, 0});
        EXPECT_EQ(notes.sounding(3, 60), !clears);
        std::vector<Message> released, expected{{0x84, 62, 0}};
        if (!clears) {
            expected.insert(expected.begin(), {{0x83, 60, 0}, {0x83, 61, 0}});
        }
        Message noteOff{};
        int in = -1;
        while (released.size() < 4 && notes.nextInputRelease(noteOff, in)) {
            released.push_back(noteOff);
            notes.recordSent(in, noteOff.data(), 3);
        }
        EXPECT_EQ(released, expected);
        EXPECT_FALSE(notes.sounding(3, 61) || notes.sounding(4, 62));
        EXPECT_TRUE(notes.sounding(7, 64));
    }
}

TEST(SpscRing, RefusesWhenFullAndPushAllIsAllOrNothing) {
    SpscRing<int, 8> ring;
    const int items[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_TRUE(ring.tryPushAll(items, 5));
    EXPECT_FALSE(ring.tryPushAll(items + 5, 4)) << "only three places left";
    EXPECT_EQ(ring.size(), 5u);
    ASSERT_TRUE(ring.tryPushAll(items + 5, 3));
    EXPECT_FALSE(ring.tryPush(0));
    int v = -1;
    EXPECT_TRUE(ring.tryPop(v) && v == 1);
    EXPECT_TRUE(ring.tryPush(9)) << "a pop makes room for one";
    EXPECT_FALSE(ring.tryPush(0));
    for (int want = 2; want <= 9; ++want) {
        EXPECT_TRUE(ring.tryPop(v) && v == want) << want;
    }
    EXPECT_FALSE(ring.tryPop(v));
    EXPECT_EQ(v, 9) << "a failed pop leaves the target alone";
}

TEST(SpscRing, TwoThreadsLoseNothingAndKeepOrder) {
    constexpr std::uint32_t kCount = 200000;
    SpscRing<std::uint32_t, 64> ring;
    std::thread producer([&] {
        for (std::uint32_t i = 0; i < kCount; std::this_thread::yield()) {
            const std::uint32_t batch[3] = {i, i + 1, i + 2};
            const std::uint32_t n = i % 7 == 0 && i + 3 <= kCount ? 3 : 1;
            i += ring.tryPushAll(batch, n) ? n : 0;
        }
    });
    std::uint32_t outOfOrder = 0, v = 0;
    for (std::uint32_t next = 0; next < kCount; std::this_thread::yield()) {
        while (next < kCount && ring.tryPop(v)) {
            outOfOrder += v != next ? 1 : 0;
            next = v + 1;
        }
    }
    producer.join();
    EXPECT_EQ(outOfOrder, 0u);
    EXPECT_FALSE(ring.tryPop(v));
}

} // namespace
} // namespace moxel
