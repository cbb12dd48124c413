#include "app/platform/CommandLine.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace moxel {
namespace {

using Action = CommandLine::Action;

CommandLine read(std::vector<const char*> args, const std::vector<CommandLine::Choice>& midi = {},
                 Window window = Window::Built) {
    args.insert(args.begin(), "moxel");
    return readCommandLine(static_cast<int>(args.size()), args.data(), midi, window);
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
    const std::string usage = read({"-h"}).text;
    EXPECT_TRUE(usage.starts_with("Usage: moxel [--lang ja|en] ")) << usage;
    EXPECT_NE(usage.find(" [--in NAME] [--out NAME] [--channel 1..16|follow] [--help] "),
              std::string::npos);
#ifndef _WIN32
    // A program built without a window says so, and what its statuses mean.
    const std::string noWindow = "\nThis Moxel is built without a window: it always runs as with "
                                 "--headless.\n\n  --lang ja|en ";
    const std::string displayStatus = "; 1 without a display to show the window on;";
    EXPECT_EQ(usage.find(noWindow), std::string::npos);
    EXPECT_NE(usage.find(displayStatus), std::string::npos);
    const std::string without = read({"--help"}, {}, Window::NotBuilt).text;
    EXPECT_NE(without.find(noWindow), std::string::npos) << without;
    EXPECT_EQ(without.find(displayStatus), std::string::npos) << without;
#endif
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
    EXPECT_TRUE(help.starts_with("Usage: moxel [--lang ja|en] [--midi jack|alsa] [--"));
    EXPECT_NE(help.find("  jack  JACK\n"), std::string::npos);
    EXPECT_NE(help.find("  alsa  the sequencer\n"), std::string::npos);
}

// The devices and the channel for this run, the last of each given winning;
// without a window, or only listing.
TEST(CommandLine, TheRunsOwnChoices) {
    const struct {
        std::vector<const char*> args;
        Action action;
        bool headless;
        const char* input;
        const char* output;
        std::optional<int> channel;
        bool follow;
    } cases[] = {
        // clang-format off
        {{"--in", "keys:out", "--out=synth:in"}, Action::Run, false, "keys:out", "synth:in",
         std::nullopt, false},
        {{"--in", "-keys", "--in=pads:out", "--channel", "1"}, Action::Run, false, "pads:out", "",
         0, false},
        {{"--channel", "3", "--channel", "follow"}, Action::Run, false, "", "", std::nullopt, true},
        {{"--channel", "follow", "--channel", "10"}, Action::Run, false, "", "", 9, false},
#ifndef _WIN32 // where there is a program without a window
        {{"--headless", "--list", "--channel=16"}, Action::List, true, "", "", 15, false},
#endif
        // clang-format on
    };
    for (const auto& c : cases) {
        const CommandLine line = read(c.args);
        EXPECT_EQ(line.action, c.action) << c.args[0] << " " << c.args[1];
        EXPECT_EQ(line.headless, c.headless);
        EXPECT_EQ(line.input, c.input);
        EXPECT_EQ(line.output, c.output);
        EXPECT_EQ(line.channel, c.channel);
        EXPECT_EQ(line.follow, c.follow);
    }
    for (const auto& [args, why] : {
             std::pair<std::vector<const char*>, std::string>{{"--channel", "0"},
                                                              "--channel takes"},
             {{"--channel", "17"}, "--channel takes"},
             {{"--channel", "01"}, "--channel takes"},
             {{"--channel=+1"}, "--channel takes"},
             {{"--channel"}, "--channel takes"},
             {{"--in="}, "--in takes"},
             {{"--out"}, "--out takes"},
             {{"--input", "keys"}, "unknown option '--input'"},
         }) {
        EXPECT_EQ(read(args).text.rfind("moxel: " + why, 0), 0U) << read(args).text;
    }
    EXPECT_EQ(read({"--channel", "17"}).text,
              "moxel: --channel takes a channel from 1 to 16, or follow (see moxel --help)\n");
}

// --panic and --program go to the running Moxel, alone (but for the language).
TEST(CommandLine, ACommandToTheRunningMoxel) {
    using Kind = InstanceRequest::Kind;
    for (const auto& [args, request] : {
             std::pair<std::vector<const char*>, InstanceRequest>{{"--panic"}, {Kind::Panic}},
             {{"--lang", "ja", "--program", "0"}, {Kind::Program, 0}},
             {{"--program=127"}, {Kind::Program, 127}},
         }) {
        EXPECT_EQ(read(args).action, Action::Request) << read(args).text;
        EXPECT_EQ(read(args).request, request);
    }
    const std::string range = "--program takes a program number from 0 to 127";
    const std::string alone = " takes no other option but --lang";
    for (const auto& [args, why] : {
             std::pair<std::vector<const char*>, std::string>{{"--program"}, range},
             {{"--program", "128"}, range},
             {{"--program", "-1"}, range},
             {{"--program", "05"}, range},
             {{"--program=five"}, range},
             {{"--program", "--panic"}, range},
             {{"--panic", "--program", "3"}, "--panic" + alone},
             {{"--panic", "--out", "synth:in"}, "--panic" + alone},
             {{"--channel=follow", "--program", "3"}, "--program" + alone},
#ifndef _WIN32
             {{"--program", "3", "--headless"}, "--program" + alone},
             {{"--list", "--panic"}, "--panic" + alone},
#endif
         }) {
        EXPECT_EQ(read(args).action, Action::Refuse);
        EXPECT_EQ(read(args).text, "moxel: " + why + " (see moxel --help)\n");
    }
}

} // namespace
} // namespace moxel
