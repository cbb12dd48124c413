#pragma once

#include <string>

#include "app/headless/ProgramStart.h"
#include "app/platform/CommandLine.h"
#include "midi/MidiBackend.h"
#include "midi/MidiSystems.h"

namespace moxel {

// Moxel without a window (--headless), for a machine without a screen: the
// window's presenter over a view that shows nothing, on the event loop
// without a toolkit, between the stored default devices (or the command
// line's) exactly as the window would. What the window would show by itself
// is said on the error output, a line per event; setting.ini is only read. A
// signal to end (SIGTERM, SIGINT, SIGHUP) closes it in order, and a second
// start is answered as the window answers it. The exit status.
int runHeadless(const CommandLine& line, const OneInstance& instance);

// --list: the inputs and outputs of the MIDI system the program would use,
// printed on the standard output. The exit status.
int listDevices(const CommandLine& line);

// The system, then under the headings "MIDI IN:" and "MIDI OUT:" the devices
// one a line, by the names the window's lists give them (or the list's own
// text where that names no device).
std::string deviceListing(const midi::MidiSystem& system, midi::MidiBackend& backend);

} // namespace moxel
