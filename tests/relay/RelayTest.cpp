// The relay's real-time core: the relay as a backend drives it, note state,
// reset sequence and ring.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <thread>
#include <vector>

#include "relay/Relay.h"
#include "relay/RelayShared.h"

namespace moxel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Message = std::array<std::uint8_t, 3>;

// An output that records what is written and can take only so many writes
// per cycle.
struct Output final : RelayWriter {
    bool write(const std::uint8_t* bytes, std::size_t size, std::uint32_t) noexcept override {
        if (room == 0) {
            return false;
        }
        --room;
        written.emplace_back(bytes, bytes + size);
        return true;
    }
    std::vector<Bytes> written;
    std::size_t room = SIZE_MAX;
};

// Both ports open; a backend's cycle with the events given.
struct Relaying {
    Relaying() { shared.inputOpen = shared.outputOpen = true; }
    // What leaves in one cycle for those events.
    std::vector<Bytes> cycle(const std::vector<Bytes>& events = {}) {
        out.written.clear();
        relay.beginCycle(out);
        for (const Bytes& e : events) {
            relay.relayInput(e.data(), e.size(), 0, out);
        }
        news = relay.endCycle();
        return out.written;
    }
    std::optional<Bytes> operator()(const Bytes& m) {
        const auto got = cycle({m});
        return got.empty() ? std::nullopt : std::optional(got.front());
    }
    RelayShared shared;
    Relay relay{shared, Relay::Delivery::OnWrite};
    Output out;
    bool news = false;
};

// Every kind of message on several channels, with channel 13 selected, in both
// modes and with either port closed: a closed input lets nothing happen, a
// closed output only the input lamp.
TEST(Relay, ChannelRuleLampsAndNewsForEveryKindOfMessage) {
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
                Relaying relay;
                RelayShared& s = relay.shared;
                s.outputChannel = 13;
                s.followInputChannel = follow;
                s.inputOpen = input;
                s.outputOpen = output;
                const bool sent = input && output, follows = sent && channel && follow;
                Bytes m = kind, expected = kind;
                m[0] |= channel ? in : 0;
                expected[0] |= channel ? (follows ? in : 13) : 0;
                EXPECT_EQ(relay(m), sent ? std::optional(expected) : std::nullopt);
                EXPECT_EQ(s.outputChannel.load(), follows ? in : 13);
                EXPECT_EQ(s.outputLamp.load(), sent);
                EXPECT_EQ(s.inputLamp.load(), input);
                EXPECT_EQ(relay.news, input);
                // A flag is news again once the UI has taken it, and only then.
                for (std::atomic<bool>* flag : {&s.channelFollowed, &s.outputLamp, &s.inputLamp}) {
                    const bool taken = flag->exchange(false);
                    relay(m);
                    EXPECT_EQ(relay.news, taken);
                }
            }
        }
    }
}

// An input note-off goes where its note-on went, whatever the selection is now,
// also when another input holds the same key. Any other message, a released
// note's off and the UI's notes take the selection. Steps: selection, in, out.
TEST(Relay, InputNoteOffGoesWhereItsNoteOnWent) {
    const std::tuple<int, Bytes, int, bool> steps[] = {
        {2, {0x90, 0x3C, 0x64}, 0x92, false}, {2, {0x91, 0x40, 0x64}, 0x92, false},
        {7, {0x93, 0x3C, 0x64}, 0x97, false}, {5, {0xB1, 0x40, 0x7F}, 0xB5, false},
        {5, {0x83, 0x3C, 0x00}, 0x87, false}, {5, {0x80, 0x3C, 0x40}, 0x82, false},
        {5, {0x91, 0x40, 0x00}, 0x92, false}, {5, {0x81, 0x40, 0x40}, 0x85, false},
        {4, {0x90, 0x30, 0x64}, 0x94, true},  {6, {0x80, 0x30, 0x00}, 0x86, false}};
    Relaying relay;
    for (const auto& [channel, in, status, fromUi] : steps) {
        relay.shared.outputChannel = channel;
        if (fromUi) {
            ASSERT_TRUE(relay.relay.queueShort(midi::pack({in[0], in[1], in[2]})));
        }
        const auto out = fromUi ? relay.cycle() : relay.cycle({in});
        EXPECT_EQ(out.empty() ? 0 : out[0][0], status) << int(in[0]) << ' ' << int(in[1]);
    }
}

// What arrives, cycle by cycle, and what leaves (1Ch selected). Each
// event is read as MIDI: every complete message in it leaves on its own with
// the rule, real-time bytes where they stand, channel messages run on within
// an event, cut messages and stray bytes do not pass. A SysEx passes whole
// however it is cut; messages between its chunks (two sources merged) and
// the UI's pass on their own and leave it open; a new F0 ends it, and so
// does a status byte inside its own event.
TEST(Relay, WhatEachEventHolds) {
    struct Case {
        const char* what;
        std::vector<std::vector<Bytes>> cycles; // events per cycle; {0, n}: the UI's patch n
        std::vector<Bytes> leaves;
    };
    const Case cases[] = {
        {"chunks over cycles",
         {{{0xF0, 1, 2}}, {{3, 4}, {5, 0xF7}}},
         {{0xF0, 1, 2}, {3, 4}, {5, 0xF7}}},
        {"chunk without a start", {{{3, 4}}, {{0xF7}}, {{0x3C, 0x40}}}, {}},
        {"merged sources",
         {{{0xF0, 1, 2}}, {{0x93, 60, 9}, {3, 4}}, {{0xF8}, {0xC5, 7}, {5, 0xF7}}},
         {{0xF0, 1, 2}, {0x90, 60, 9}, {3, 4}, {0xF8}, {0xC0, 7}, {5, 0xF7}}},
        {"a new start ends it",
         {{{0xF0, 1}, {0x95, 60, 9}, {0xF0, 2, 0xF7}}},
         {{0xF0, 1}, {0x90, 60, 9}, {0xF7}, {0xF0, 2, 0xF7}}},
        {"packed in one event",
         {{{0xF0, 1, 0xF7, 0x93, 0x3C, 0x64}, {0xF0, 1, 0x93, 0x3C, 0x64, 2}}},
         {{0xF0, 1, 0xF7}, {0x90, 0x3C, 0x64}, {0xF0, 1}, {0xF7}, {0x90, 0x3C, 0x64}}},
        {"real-time inside",
         {{{0x93, 0xF8, 0x3C, 0x64}, {0xF0, 1, 0xFE, 2, 0xF7}}},
         {{0xF8}, {0x90, 0x3C, 0x64}, {0xF0, 1}, {0xFE}, {2, 0xF7}}},
        {"running status", {{{0x90, 60, 9, 62, 9, 64}}}, {{0x90, 60, 9}, {0x90, 62, 9}}},
        {"cut short", {{{0x90, 60}, {0xC5}, {0xF2, 1}, {0xF1}, {0x90, 60, 0xC5, 7}}}, {{0xC0, 7}}},
        {"system messages do not run on",
         {{{0xF2, 1, 2, 3, 4}, {0xF1, 5, 6}, {0xF8, 0xF8}}},
         {{0xF2, 1, 2}, {0xF1, 5}, {0xF8}, {0xF8}}},
        {"undefined statuses",
         {{{0xF4}, {0xF5, 1}, {0xF9}, {0xFD}}},
         {{0xF4}, {0xF5}, {0xF9}, {0xFD}}},
        {"the UI's messages, between chunks",
         {{{0xF0, 1}}, {{0, 5}, {0, 6}}, {{0xF7}}, {}},
         {{0xF0, 1}, {0xC0, 5}, {0xC0, 6}, {0xF7}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Relaying relay;
        std::vector<Bytes> left;
        for (const auto& events : c.cycles) {
            std::vector<Bytes> input;
            for (const Bytes& e : events) {
                if (e[0] == 0) {
                    relay.relay.queueShort(midi::programChange(0, e[1]));
                } else {
                    input.push_back(e);
                }
            }
            for (const Bytes& out : relay.cycle(input)) {
                left.push_back(out);
            }
        }
        EXPECT_EQ(left, c.leaves);
    }
}

// No receiver gets a SysEx without its start: when the start could not be
// written, the rest of that SysEx stays behind; what comes between and the
// next SysEx pass.
TEST(Relay, ASysexWhoseStartCouldNotLeaveIsDroppedWhole) {
    Relaying relay;
    relay.out.room = 0;
    relay.cycle({{0xF0, 1}});
    relay.out.room = SIZE_MAX;
    EXPECT_EQ(relay.cycle({{2, 3}, {0x90, 1, 9}, {4, 0xF7}, {0xF0, 5, 0xF7}}),
              (std::vector<Bytes>{{0x90, 1, 9}, {0xF0, 5, 0xF7}}));
    EXPECT_EQ(relay.relay.lostEvents(), 1U);
}

// Program changes that pile up while the relay cannot send (a stalled
// service) are never refused; past the ring's room only the newest waits,
// and it leaves last.
TEST(Relay, TheNewestProgramChangeWinsWhenTheRelayFallsBehind) {
    Relaying relay;
    for (int patch = 0; patch < 300; ++patch) {
        ASSERT_TRUE(relay.relay.queueShort(midi::programChange(0, patch % 128)));
    }
    const auto out = relay.cycle();
    ASSERT_EQ(out.size(), 257U);
    EXPECT_EQ(out[255], (Bytes{0xC0, 255 % 128}));
    EXPECT_EQ(out[256], (Bytes{0xC0, 299 % 128}));
    EXPECT_FALSE(relay.relay.hasWork());
}

// The relay's own messages: a reset that does not fit goes on next cycle and
// ends a SysEx first; a closed input's notes are released; the notes of an
// output that went away are kept aside and released on the next, and what
// is asked for while no context runs is dropped.
TEST(Relay, ResetReleaseAndParkedNotes) {
    Relaying relay;
    relay.cycle({{0x90, 60, 9}, {0x90, 60, 9}, {0xF0, 1}}); // struck twice: one note-off
    relay.out.room = 20;
    auto ticket = relay.relay.request(RelayJob::Reset);
    auto first = relay.cycle();
    EXPECT_FALSE(relay.relay.heard(RelayJob::Reset, ticket));
    relay.out.room = SIZE_MAX;
    const auto rest = relay.cycle();
    EXPECT_TRUE(relay.relay.heard(RelayJob::Reset, ticket));
    first.insert(first.end(), rest.begin(), rest.end());
    ASSERT_EQ(first.size(), 1 + 16 * 3 + 1U); // F7, sustain, note-off, notes off, sound off
    EXPECT_EQ(first[0], Bytes{0xF7});
    EXPECT_EQ(first[2], (Bytes{0x80, 60, 0}));

    relay.cycle({{0x91, 61, 9}, {0xF0, 1}});
    ticket = relay.relay.request(RelayJob::ReleaseInput);
    EXPECT_EQ(relay.cycle(), (std::vector<Bytes>{{0xF7}, {0x80, 61, 0}}));
    EXPECT_TRUE(relay.relay.done(RelayJob::ReleaseInput, ticket));

    relay.cycle({{0x92, 62, 9}});
    ticket = relay.relay.request(RelayJob::Park);
    EXPECT_EQ(relay.cycle(), std::vector<Bytes>{});
    EXPECT_TRUE(relay.relay.done(RelayJob::Park, ticket) && relay.relay.parkedSome());
    // The output of that name opens: nothing before its connection holds,
    // then the release and, in the same cycle, what arrives.
    relay.shared.outputOpen = false;
    relay.relay.releaseParkedFrom(relay.relay.cycles() + 2);
    EXPECT_EQ(relay.cycle({{0x90, 1, 9}}), std::vector<Bytes>{});
    EXPECT_EQ(relay.cycle({{0x90, 2, 9}}),
              (std::vector<Bytes>{{0xB0, 64, 0}, {0x80, 62, 0}, {0x90, 2, 9}}));

    relay.cycle({{0x93, 63, 9}});
    relay.relay.request(RelayJob::Reset); // then the service goes away
    relay.relay.queueShort(midi::programChange(0, 1));
    EXPECT_TRUE(relay.relay.stopped());
    EXPECT_FALSE(relay.relay.hasWork());
    EXPECT_EQ(relay.cycle(), std::vector<Bytes>{});
    relay.relay.request(RelayJob::ReleaseParked);
    EXPECT_EQ(relay.cycle(), (std::vector<Bytes>{{0xB0, 64, 0}, {0x80, 2, 0}, {0x80, 63, 0}}));
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
