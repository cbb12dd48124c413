#pragma once

#include <string>
#include <vector>

#include <jack/jack.h>

namespace moxel {

// Which side of a connection another client's MIDI port can stand on.
enum class PortRole {
    Source,      // a MIDI output port of another client: data comes from it
    Destination, // a MIDI input port of another client: data goes to it
};

// Full names ("client:port") of the other clients' MIDI ports of one role:
// the hardware ports (JACK's physical ports) first, then the others, each
// group in the order of the names, so the lists do not depend on which client
// started first. Ports of the given client itself are left out.
std::vector<std::string> listMidiPorts(jack_client_t* client, PortRole role);

// The client a port belongs to: its full name up to the first ":".
std::string portOwner(const std::string& fullName);

// True when a port of that full name exists right now.
bool portExists(jack_client_t* client, const std::string& fullName);

} // namespace moxel
