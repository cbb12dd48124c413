#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "relay/NoteTracker.h"
#include "relay/ResetSequence.h"

namespace moxel {
namespace {

using Message = std::array<std::uint8_t, 3>;

std::vector<Message> runToEnd(ResetSequence& reset, const NoteTracker& notes) {
    std::vector<Message> out;
    Message m{};
    while (reset.peek(notes, m)) {
        out.push_back(m);
        reset.advance();
        if (out.size() > 16 * (3 + 128)) {
            break; // never ends: let the test fail instead of hanging
        }
    }
    return out;
}

void noteOn(NoteTracker& notes, int inChannel, int outChannel, int key) {
    const std::array<std::uint8_t, 3> m{static_cast<std::uint8_t>(0x90 | outChannel),
                                        static_cast<std::uint8_t>(key), 0x64};
    notes.recordSent(inChannel, m.data(), 3);
}

TEST(ResetSequenceTest, SilencesEveryChannelAndReleasesTheSoundingNotesInOrder) {
    NoteTracker notes;
    noteOn(notes, 0, 0, 64);
    noteOn(notes, 0, 0, 60);
    noteOn(notes, 2, 5, 0);
    noteOn(notes, 2, 5, 127);
    noteOn(notes, -1, 15, 72); // the UI's own note

    std::vector<Message> expected;
    for (std::uint8_t c = 0; c < 16; ++c) {
        expected.push_back({static_cast<std::uint8_t>(0xB0 | c), 64, 0});
        if (c == 0) {
            expected.push_back({0x80, 60, 0});
            expected.push_back({0x80, 64, 0});
        } else if (c == 5) {
            expected.push_back({0x85, 0, 0});
            expected.push_back({0x85, 127, 0});
        } else if (c == 15) {
            expected.push_back({0x8F, 72, 0});
        }
        expected.push_back({static_cast<std::uint8_t>(0xB0 | c), 123, 0});
        expected.push_back({static_cast<std::uint8_t>(0xB0 | c), 120, 0});
    }

    ResetSequence reset;
    EXPECT_TRUE(reset.done()) << "nothing to do before start()";
    reset.start();
    EXPECT_FALSE(reset.done());
    EXPECT_EQ(runToEnd(reset, notes), expected);
    EXPECT_TRUE(reset.done());

    reset.start(); // runs again from the beginning
    EXPECT_EQ(runToEnd(reset, notes), expected);
}

TEST(ResetSequenceTest, PeekWithoutAdvanceRepeatsTheMessageSoItCanBeRetriedNextCycle) {
    NoteTracker notes;
    noteOn(notes, 0, 0, 10);
    ResetSequence reset;
    reset.start();
    Message a{}, b{};
    ASSERT_TRUE(reset.peek(notes, a));
    reset.advance();
    ASSERT_TRUE(reset.peek(notes, a));
    ASSERT_TRUE(reset.peek(notes, b));
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, (Message{0x80, 10, 0}));
}

TEST(ResetSequenceTest, WithNothingSoundingItIsFortyEightControlChanges) {
    NoteTracker notes;
    ResetSequence reset;
    reset.start();
    const auto out = runToEnd(reset, notes);
    ASSERT_EQ(out.size(), 48u);
    for (const Message& m : out) {
        EXPECT_EQ(m[0] & 0xF0, 0xB0);
    }
}

TEST(NoteTrackerTest, TracksNoteOnAndOffIncludingVelocityZero) {
    NoteTracker notes;
    noteOn(notes, 1, 4, 60);
    EXPECT_TRUE(notes.sounding(4, 60));
    EXPECT_EQ(notes.routeOf(1, 60), 4);
    const std::array<std::uint8_t, 3> off{0x94, 60, 0};
    notes.recordSent(1, off.data(), 3);
    EXPECT_FALSE(notes.sounding(4, 60));
    EXPECT_EQ(notes.routeOf(1, 60), -1);
}

TEST(NoteTrackerTest, AllNotesOffAndAllSoundOffClearTheirChannelOnly) {
    for (std::uint8_t controller : {123, 120}) {
        NoteTracker notes;
        noteOn(notes, 0, 3, 60);
        noteOn(notes, 1, 3, 61);
        noteOn(notes, 2, 4, 62);
        const std::array<std::uint8_t, 3> cc{0xB3, controller, 0};
        notes.recordSent(-1, cc.data(), 3);
        EXPECT_FALSE(notes.sounding(3, 60));
        EXPECT_FALSE(notes.sounding(3, 61));
        EXPECT_EQ(notes.routeOf(0, 60), -1);
        EXPECT_EQ(notes.routeOf(1, 61), -1);
        EXPECT_TRUE(notes.sounding(4, 62));
        EXPECT_EQ(notes.routeOf(2, 62), 4);
    }
}

TEST(NoteTrackerTest, IgnoresSystemMessagesAndShortMessages) {
    NoteTracker notes;
    const std::array<std::uint8_t, 3> clock{0xF8, 0, 0};
    notes.recordSent(0, clock.data(), 1);
    const std::array<std::uint8_t, 3> cut{0x90, 60, 0};
    notes.recordSent(0, cut.data(), 2); // no velocity byte: not a note-on
    for (int c = 0; c < 16; ++c) {
        EXPECT_FALSE(notes.sounding(c, 60));
    }
}

} // namespace
} // namespace moxel

namespace moxel {
namespace {

TEST(NoteTrackerTest, InputReleaseNamesEachHeldInputNoteOnTheChannelItSoundsOn) {
    NoteTracker notes;
    const std::uint8_t first[] = {0x93, 60, 100};  // arrived on channel 1, left on 4
    const std::uint8_t second[] = {0x95, 62, 100}; // arrived on channel 2, left on 6
    notes.recordSent(0, first, 3);
    notes.recordSent(1, second, 3);
    const std::uint8_t ui[] = {0x97, 64, 100}; // the UI's own note is no input's
    notes.recordSent(-1, ui, 3);

    std::array<std::uint8_t, 3> noteOff{};
    int inChannel = -1;
    std::vector<std::array<std::uint8_t, 3>> released;
    while (notes.nextInputRelease(noteOff, inChannel)) {
        released.push_back(noteOff);
        notes.recordSent(inChannel, noteOff.data(), 3);
    }
    const std::vector<std::array<std::uint8_t, 3>> expected = {{0x83, 60, 0}, {0x85, 62, 0}};
    EXPECT_EQ(released, expected);
    EXPECT_FALSE(notes.sounding(3, 60));
    EXPECT_FALSE(notes.sounding(5, 62));
    EXPECT_TRUE(notes.sounding(7, 64));
}

} // namespace
} // namespace moxel
