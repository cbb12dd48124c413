#pragma once

#include <string>

namespace moxel {

// What the command line asks for:
//
//   moxel [--lang ja|en] [--midi jack|alsa] [--help] [--version]
//
// (--midi on Linux only.)
//
// Options the window toolkit takes (-platform NAME, -style NAME, ...) are
// left to it. Anything else is refused, with the reason.
struct CommandLine {
    enum class Action { Run, Help, Version, Refuse };
    Action action = Action::Run;
    std::string language;   // "ja", "en", or "" for the locale's
    std::string text;       // what Help and Version print, why Refuse refused
    std::string midiSystem; // "jack", "alsa", or "" for the stored or found one
};

CommandLine readCommandLine(int argc, const char* const* argv);

} // namespace moxel
