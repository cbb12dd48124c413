// The relay's real-time core: engine, note state, reset sequence and ring.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
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
using Message = std::array<std::uint8_t, 3>;
using enum MessageSource;

// Both ports open; relay(m) is what leaves for m, as a backend drives it, or nothing.
struct Relay {
    Relay() { shared.inputOpen = shared.outputOpen = true; }
    std::optional<Bytes> operator()(Bytes m, MessageSource source = Input) {
        const std::uint8_t original = m.empty() ? 0 : m[0];
        const bool lit = shared.outputLamp;
        if ((source == Input && !engine.acceptInput()) ||
            !engine.prepareOutput(m.data(), static_cast<unsigned>(m.size()), source)) {
            return std::nullopt;
        }
        EXPECT_EQ(shared.outputLamp.load(), lit) << "lit before the message was written";
        engine.markSent(original, m.data(), static_cast<unsigned>(m.size()), source);
        return m;
    }
    RelayShared shared;
    RelayEngine engine{shared};
};

// Every kind of message on several channels, with channel 13 selected, in both
// modes (any nonzero follow value is follow mode) and with either port closed:
// a closed input lets nothing happen, a closed output only the input lamp.
TEST(RelayEngine, ChannelRuleLampsAndNewsForEveryKindOfMessage) {
    std::vector<Bytes> kinds = {{0x80, 0x3C, 0x40}, {0x90, 0x3C, 0x64}, {0x90, 0x3C, 0x00},
                                {0xA0, 0x3C, 0x20}, {0xB0, 0x3B, 0x7F}, {0xC0, 0x05},
                                {0xD0, 0x33},       {0xE0, 0x00, 0x40}};
    kinds.insert(kinds.end(), {{0xF8}, {0xFF}, {0xF2, 0x10, 0x20}, {0xF0, 0x7E, 0xF7}});
    for (const Bytes& kind : kinds) {
        const bool channel = kind[0] < 0xF0; // system messages pass unchanged, never follow
        for (const int in : {0, 7, 15}) {
            for (int setup = 0; setup < 8; ++setup) {
                const bool follow = setup & 1, input = setup & 2, output = setup & 4;
                SCOPED_TRACE(testing::Message() << int(kind[0]) << " in " << in << " " << setup);
                Relay relay;
                RelayShared& s = relay.shared;
                s.channelPosition = 13;
                s.updateInCh = follow ? -7 : 0;
                s.inputOpen = input;
                s.outputOpen = output;
                const bool sent = input && output, follows = sent && channel && follow;
                Bytes m = kind, expected = kind;
                m[0] |= channel ? in : 0;
                expected[0] |= channel ? (follows ? in : 13) : 0;
                EXPECT_EQ(relay(m), sent ? std::optional(expected) : std::nullopt);
                EXPECT_EQ(s.channelPosition.load(), follows ? in : 13);
                EXPECT_EQ(s.outputLamp.load(), sent);
                EXPECT_EQ(s.inputLamp.load(), input);
                EXPECT_EQ(relay.engine.takeNews(), input);
                // A flag is news again once the UI has taken it, and only then.
                for (std::atomic<bool>* flag : {&s.channelFollowed, &s.outputLamp, &s.inputLamp}) {
                    const bool taken = flag->exchange(false);
                    relay(m);
                    EXPECT_EQ(relay.engine.takeNews(), taken);
                }
            }
        }
    }
    for (const Bytes& noMessage : {Bytes{}, Bytes{0x3C, 0x64}}) {
        EXPECT_EQ(Relay()(noMessage), std::nullopt);
    }
}

// An input note-off goes where its note-on went, whatever the selection is now,
// also when another input holds the same key. Any other message, a released
// note's off and the UI's notes take the selection. Steps: selection, in, out.
TEST(RelayEngine, InputNoteOffGoesWhereItsNoteOnWent) {
    const std::tuple<int, Bytes, int, MessageSource> steps[] = {
        {2, {0x90, 0x3C, 0x64}, 0x92, Input}, {2, {0x91, 0x40, 0x64}, 0x92, Input},
        {7, {0x93, 0x3C, 0x64}, 0x97, Input}, {5, {0xB1, 0x40, 0x7F}, 0xB5, Input},
        {5, {0x83, 0x3C, 0x00}, 0x87, Input}, {5, {0x80, 0x3C, 0x40}, 0x82, Input},
        {5, {0x91, 0x40, 0x00}, 0x92, Input}, {5, {0x81, 0x40, 0x40}, 0x85, Input},
        {4, {0x90, 0x30, 0x64}, 0x94, Ui},    {6, {0x80, 0x30, 0x00}, 0x86, Input}};
    Relay relay;
    for (const auto& [position, in, status, from] : steps) {
        relay.shared.channelPosition = position;
        EXPECT_EQ(relay(in, from).value_or(Bytes{0})[0], status) << int(in[0]) << ' ' << int(in[1]);
    }
}

// Held input notes are released where they sound, lowest input channel first. All
// Notes Off and All Sound Off clear their channel. A reset silences each channel
// and releases every note still sounding, key by key, the UI's (0 and 7) too.
TEST(NoteTracker, InputReleaseAndResetAfterControlChanges) {
    NoteTracker notes;
    notes.recordSent(2, Message{0x93, 50, 9}.data(), 2); // no velocity: no note-on
    const std::pair<int, Message> sent[] = {
        {1, {0x90, 0, 9}},    {0, {0x90, 127, 9}}, {2, {0x91, 62, 9}},   {3, {0x92, 62, 9}},
        {2, {0x94, 61, 9}},   {-1, {0x97, 64, 9}}, {-1, {0xB1, 123, 0}}, {-1, {0xB2, 120, 0}},
        {-1, {0xB0, 121, 0}}, {-1, {0xB0, 64, 0}}, {-1, {0x90, 1, 9}}};
    for (const auto& [in, m] : sent) {
        notes.recordSent(in, m.data(), 3);
    }
    std::map<int, Bytes> held{{0, {0, 1, 127}}, {4, {61}}, {7, {64}}};
    std::vector<Message> expected, out;
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
    for (int i = 0; i < 2 && reset.peek(notes, m); ++i) { // into channel 0's note-offs
        reset.advance();
    }
    reset.start(); // starts over
    while (out.size() <= expected.size() && reset.peek(notes, m)) {
        EXPECT_FALSE(reset.done());
        EXPECT_TRUE(reset.peek(notes, again) && again == m) << "not written: offered again";
        out.push_back(m);
        reset.advance();
    }
    EXPECT_EQ(out, expected);
    EXPECT_TRUE(reset.done());
    std::vector<Message> released;
    for (int in = -1; released.size() < 4 && notes.nextInputRelease(m, in);) {
        released.push_back(m);
        notes.recordSent(in, m.data(), 3);
    }
    EXPECT_EQ(released, (std::vector<Message>{{0x80, 127, 0}, {0x80, 0, 0}, {0x84, 61, 0}}));
    EXPECT_FALSE(notes.sounding(0, 0) || notes.sounding(0, 127) || notes.sounding(4, 61));
}

TEST(SpscRing, RefusesWhenFullAndPushAllIsAllOrNothing) {
    SpscRing<int, 8> ring;
    const int items[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_TRUE(ring.tryPushAll(items, 5));
    EXPECT_FALSE(ring.tryPushAll(items + 5, 4)) << "only three places left";
    EXPECT_EQ(ring.size(), 5u);
    ASSERT_TRUE(ring.tryPushAll(items + 5, 3));
    int v = -1;
    EXPECT_TRUE(ring.tryPop(v) && v == 1);
    EXPECT_TRUE(ring.tryPush(9)) << "a pop makes room for one";
    EXPECT_FALSE(ring.tryPush(0));
    for (int want = 2; want <= 9; ++want) {
        EXPECT_TRUE(ring.tryPop(v) && v == want) << want;
    }
    EXPECT_FALSE(ring.tryPop(v) || v != 9) << "a failed pop leaves the target alone";
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
}

} // namespace
} // namespace moxel
