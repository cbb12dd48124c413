// The MIDI systems as rows: the ones built in keep the names and keys that
// setting.ini files hold, and the automatic choice reads the rows in order.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "midi/systems/BuiltInMidiSystems.h"
#include "support/FakeBackend.h"

namespace moxel {
namespace {

TEST(MidiSystems, TheBuiltInRowsKeepTheirKeysAndTexts) {
    // In the order of the automatic choice.
    const struct {
        std::string_view key, prefix, japanese, english;
    } known[] = {
        {"jack", "", "MIDIシステム: JACK", "MIDI system: JACK"},
        {"alsa", "Alsa", "MIDIシステム: ALSA", "MIDI system: ALSA"},
        {"winmm", "", "", ""}, // the only one of its program: not in the menu
    };
    const midi::MidiSystems rows = midi::builtInMidiSystems();
    ASSERT_FALSE(rows.empty());
    auto last = std::begin(known);
    for (const midi::MidiSystem& row : rows) {
        const auto* at =
            std::find_if(last, std::end(known), [&](const auto& k) { return k.key == row.key; });
        ASSERT_NE(at, std::end(known)) << row.key << " unknown, or out of order";
        EXPECT_EQ(row.settingsPrefix, at->prefix) << row.key;
        EXPECT_EQ(row.menuJapanese, at->japanese) << row.key;
        EXPECT_EQ(row.menuEnglish, at->english) << row.key;
        EXPECT_FALSE(row.usage.empty()) << row.key;
        EXPECT_EQ(midi::midiSystemNamed(rows, row.key), &row);
        last = at + 1;
    }
    EXPECT_EQ(midi::midiSystemNamed(rows, "nonesuch"), nullptr);
    EXPECT_EQ(midi::midiSystemNamed(rows, ""), nullptr);
}

// The system asked for, else the first whose service is available, else the
// first; each made only as far as the choice needs.
TEST(MidiSystems, TheAutomaticChoiceTakesTheFirstAvailable) {
    constexpr midi::MidiSystem rows[] = {{"a", "", "", "", "", nullptr},
                                         {"b", "", "", "", "", nullptr},
                                         {"c", "", "", "", "", nullptr}};
    const struct {
        const char* asked; // "" for none
        std::set<std::string> available;
        const char* chosen;
        std::vector<std::string> made;
    } cases[] = {
        {"b", {}, "b", {"b"}},
        {"", {"a", "c"}, "a", {"a"}},
        {"", {"c"}, "c", {"a", "b", "c"}},
        {"", {}, "a", {"a", "b", "c"}},
    };
    for (const auto& c : cases) {
        RelayShared shared;
        std::vector<std::string> made;
        const midi::MakeBackend make =
            [&](const midi::MidiSystem& system) -> std::unique_ptr<midi::MidiBackend> {
            made.emplace_back(system.key);
            auto backend = std::make_unique<FakeBackend>(shared);
            backend->service = c.available.contains(std::string(system.key));
            return backend;
        };
        const midi::MidiSystem* chosen = nullptr;
        const auto backend =
            midi::makeFirstBackend(rows, midi::midiSystemNamed(rows, c.asked), make, chosen);
        ASSERT_NE(chosen, nullptr);
        EXPECT_EQ(chosen->key, c.chosen) << c.asked;
        EXPECT_EQ(backend->serviceAvailable(), c.available.contains(c.chosen)) << c.chosen;
        EXPECT_EQ(made, c.made) << c.chosen;
    }
}

} // namespace
} // namespace moxel
