#include "app/platform/CommandLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace moxel {
namespace {

using Action = CommandLine::Action;

CommandLine read(std::vector<const char*> args) {
    args.insert(args.begin(), "moxel");
    return readCommandLine(static_cast<int>(args.size()), args.data());
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
#ifndef _WIN32
    EXPECT_EQ(read({"--midi", "alsa"}).midiSystem, "alsa");
    EXPECT_EQ(read({"--midi=jack", "--lang", "ja"}).midiSystem, "jack");
    EXPECT_EQ(read({"--midi", "winmm"}).action, Action::Refuse);
#else
    EXPECT_EQ(read({"--midi", "alsa"}).action, Action::Refuse); // one MIDI service there
#endif
    EXPECT_EQ(read({"--version"}).text, "Moxel 1.0\n");
    EXPECT_EQ(read({"--bogus"}).text, "moxel: unknown option '--bogus' (see moxel --help)\n");
    EXPECT_TRUE(read({"-h"}).text.starts_with("Usage: moxel [--lang ja|en]"));
}

} // namespace
} // namespace moxel
