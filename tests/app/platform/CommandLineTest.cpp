#include "app/platform/CommandLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace moxel {
namespace {

using Action = CommandLine::Action;

CommandLine read(std::vector<const char*> args, const std::vector<CommandLine::Choice>& midi = {}) {
    args.insert(args.begin(), "moxel");
    return readCommandLine(static_cast<int>(args.size()), args.data(), midi);
}

TEST(CommandLine, OwnOptionsToolkitOptionsAndEverythingElse) {
    const struct {
        std::vector<const char*> args;
        Action action;
        const char* language;
    } cases[] = {
        {{}, Action::Run, ""},
        {{"--lang", "en"}, Action::Run, "en"},
        {{"--lang=ja", "-platform", "offscreen", "-reverse"}, Action::Run, "ja"},
        {{"--help", "--bogus"}, Action::Help, ""},
        {{"--version"}, Action::Version, ""},
        {{"--lang", "fr"}, Action::Refuse, ""},
        {{"--lang"}, Action::Refuse, ""},
        {{"--bogus"}, Action::Refuse, ""},
        {{"file.mid"}, Action::Refuse, ""},
    };
    for (const auto& c : cases) {
        const CommandLine line = read(c.args);
        EXPECT_EQ(line.action, c.action) << (c.args.empty() ? "" : c.args[0]);
        EXPECT_EQ(line.language, c.language);
    }
    EXPECT_EQ(read({"--version"}).text, "Moxel 1.0\n");
    EXPECT_EQ(read({"--bogus"}).text, "moxel: unknown option '--bogus' (see moxel --help)\n");
    EXPECT_TRUE(read({"-h"}).text.starts_with("Usage: moxel [--lang ja|en] [--help]"));
}

// --midi names one of the MIDI systems offered, and only where some are.
TEST(CommandLine, MidiTakesTheSystemsOffered) {
    const std::vector<CommandLine::Choice> two = {{"jack", "JACK"}, {"alsa", "the sequencer"}};
    EXPECT_EQ(read({"--midi", "alsa"}, two).midiSystem, "alsa");
    EXPECT_EQ(read({"--midi=jack", "--lang", "ja"}, two).midiSystem, "jack");
    EXPECT_EQ(read({"--midi", "winmm"}, two).text,
              "moxel: --midi takes jack or alsa (see moxel --help)\n");
    EXPECT_EQ(read({"--midi", "alsa"}).action, Action::Refuse); // none offered
    const std::string help = read({"--help"}, two).text;
    EXPECT_TRUE(help.starts_with("Usage: moxel [--lang ja|en] [--midi jack|alsa] [--help]"));
    EXPECT_NE(help.find("  jack  JACK\n"), std::string::npos);
    EXPECT_NE(help.find("  alsa  the sequencer\n"), std::string::npos);
}

} // namespace
} // namespace moxel
