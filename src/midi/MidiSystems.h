#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "midi/MidiBackend.h"

namespace moxel {
class RelayShared;
}

namespace moxel::midi {

// The key of setting.ini that keeps the system the user chose in the menu.
inline constexpr std::string_view kMidiSystemKey = "MidiSystem";

// A MIDI system Moxel can use: one row of the table of those built into the
// program (midi/systems/BuiltInMidiSystems). The menu, the command line,
// setting.ini and the automatic choice read the rows; nothing else names a
// system.
struct MidiSystem {
    std::string_view key;          // what --midi and setting.ini's MidiSystem call it
    std::string_view menuJapanese; // its item in the menu (offered where there is a choice)
    std::string_view menuEnglish;
    std::string_view usage; // what it is, for --help
    // What its keys in setting.ini begin with: its default devices are read
    // from <prefix>DefaultMidiIn and <prefix>DefaultMidiOut (and written as
    // <prefix>DefaultMIDIIn, <prefix>DefaultMIDIOut: the same keys, as names
    // match without regard to case).
    std::string_view settingsPrefix;
    // Its backend. Whether it is available here (a server runs, a device
    // opens) the backend tells: serviceAvailable().
    std::unique_ptr<MidiBackend> (*make)(RelayShared& relay);

    bool operator==(const MidiSystem& other) const { return key == other.key; }
};

// The rows of a program, in the order of the automatic choice.
using MidiSystems = std::span<const MidiSystem>;

// The row of that key; nullptr when the program has no such system.
const MidiSystem* midiSystemNamed(MidiSystems systems, std::string_view key);

// Makes a system's backend; the program's own step after each (see main).
using MakeBackend = std::function<std::unique_ptr<MidiBackend>(const MidiSystem&)>;

// The first backend: of the system asked for; else of the first system whose
// service is available now (each backend is made to ask; none starts a
// service); else of the first system, which looks for its service now and
// then. chosen: which system it is. systems must not be empty.
std::unique_ptr<MidiBackend> makeFirstBackend(MidiSystems systems, const MidiSystem* asked,
                                              const MakeBackend& make, const MidiSystem*& chosen);

// The choice between MIDI systems where a program offers one: the window
// shows which one serves and switches to another on the user's word.
class MidiSystemChoice {
  public:
    virtual ~MidiSystemChoice() = default;
    // The systems to choose from, in the menu's order.
    virtual MidiSystems systems() = 0;
    // The system that serves now.
    virtual const MidiSystem& current() = 0;
    // From here on that system serves; the open devices must be closed first.
    virtual void use(const MidiSystem& system) = 0;
};

} // namespace moxel::midi
