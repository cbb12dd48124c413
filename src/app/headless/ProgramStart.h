#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/platform/CommandLine.h"
#include "app/platform/SingleInstance.h"
#include "app/presenter/FrmMIDIMain.h"
#include "app/window/Texts.h"
#include "midi/MidiSystems.h"

namespace moxel {

// What every start of the Linux program does before it runs, with a window
// or without.

// The exit statuses (moxel --help lists them).
inline constexpr int kExitDone = 0;      // closed, or the running Moxel took the request
inline constexpr int kExitNoDisplay = 1; // no display to show the window on
inline constexpr int kExitRefused = 2;   // a command line it cannot take
// Moxel already runs but does not answer; or none runs to take a command
inline constexpr int kExitNoAnswer = 3;

// The value of an environment variable, "" when it is not set.
std::string environmentValue(const char* name);

// --lang's, else the environment's.
Language chosenLanguage(const std::string& option);

// What --midi may name, and what --help says of each.
std::vector<CommandLine::Choice> midiSystemChoices();

// Where the program runs (its folder, the user's settings folder, why the
// start could not tell whether Moxel already runs) and the command line's
// choices for this run; a run without a window only reads setting.ini.
AppEnvironment programEnvironment(std::string executableFolder, std::string instanceProblem,
                                  const CommandLine& line);

// The MIDI system asked for: on the command line (which takes only the
// systems built in), else the one chosen in the menu before (setting.ini);
// nothing when neither says. A stored system this Moxel does not have is
// told, and the choice is made as if none were stored.
const midi::MidiSystem* askedMidiSystem(const std::string& option,
                                        const AppEnvironment& environment);

// Whether this process is the one Moxel of the user. When another one runs,
// it is asked to show its window and this start ends (with the status given).
// When that cannot be told, Moxel says why (here, and in the window) and runs
// anyway.
struct OneInstance {
    std::unique_ptr<SingleInstance> lock;
    std::string showSocket; // where the running one hears second starts
    std::string problem;    // why it cannot be told
    std::optional<int> ended;
};
OneInstance checkOneInstance();

} // namespace moxel
