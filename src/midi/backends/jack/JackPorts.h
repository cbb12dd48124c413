#pragma once

#include <string>
#include <vector>

#include <jack/jack.h>

#include "midi/MidiBackend.h"

namespace moxel::midi {

// Full names ("client:port") of the other clients' MIDI ports that can stand
// on that side of Moxel (an input device is another client's MIDI output
// port: data comes from it; an output device one of its input ports):
// the hardware ports (JACK's physical ports) first, then the others, each
// group in the order of the names, so the lists do not depend on which client
// started first. Ports of the given client itself are left out.
std::vector<std::string> listMidiPorts(jack_client_t* client, Direction side);

// The client a port belongs to: its full name up to the first ":".
std::string portOwner(const std::string& fullName);

// True when a port of that full name exists right now.
bool portExists(jack_client_t* client, const std::string& fullName);

} // namespace moxel::midi
