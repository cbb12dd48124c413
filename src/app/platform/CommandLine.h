#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/window/InstanceRequest.h"

namespace moxel {

// What the command line asks for:
//
//   moxel [--lang ja|en] [--midi jack|alsa] [--headless] [--list] [--in NAME]
//         [--out NAME] [--channel 1..16|follow] [--help] [--version]
//   moxel [--lang ja|en] --panic | --program 0..127
//
// (--midi where the program offers MIDI systems to choose from; --headless
// and --list where there is a program without a window, POSIX systems.)
//
// Options the window toolkit takes (-platform NAME, -style NAME, ...) are
// left to it. Anything else is refused, with the reason.
struct CommandLine {
    // Request: asks the running Moxel (request) and ends.
    enum class Action { Run, Help, Version, Refuse, List, Request };
    Action action = Action::Run;
    std::string language;   // "ja", "en", or "" for the locale's
    std::string text;       // what Help and Version print, why Refuse refused
    std::string midiSystem; // one of midiSystems' keys, or "" for the stored or found one
    bool headless = false;  // run without a window
    // For this run in place of what setting.ini holds: the input and output
    // by name ("" for the stored), the output channel's position 0..15, or
    // follow mode.
    std::string input, output;
    std::optional<int> channel;
    bool follow = false;
    InstanceRequest request; // --panic, --program

    // A MIDI system --midi may name: its key ("jack") and what it is.
    struct Choice {
        std::string key, what;
    };
};

// Whether the program has a window: one built without it (POSIX systems)
// always runs as with --headless, and its --help says so.
enum class Window { Built, NotBuilt };

// midiSystems: what --midi may name, in the order of the automatic choice;
// none: no --midi.
CommandLine readCommandLine(int argc, const char* const* argv,
                            const std::vector<CommandLine::Choice>& midiSystems = {},
                            Window window = Window::Built);

} // namespace moxel
