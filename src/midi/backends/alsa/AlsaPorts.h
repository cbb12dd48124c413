#pragma once

#include <string>
#include <vector>

#include <alsa/asoundlib.h>

#include "midi/MidiBackend.h"

namespace moxel::midi {

// A port of another sequencer client that Moxel can use as a device.
struct AlsaPort {
    snd_seq_addr_t address{};
    std::string name;   // "client name:port name", as aconnect -l shows them
    std::string client; // the client's name: what the port belongs to
};

// The ports that can stand on that side of Moxel (an input device can be
// read and subscribed to, an output device written and subscribed to), in the order of their
// clients and port numbers, leaving out the System client, Moxel's own client and ports that are
// not exported.
std::vector<AlsaPort> listAlsaPorts(snd_seq_t* seq, Direction side);

// The port of that name on that side, if one is there now.
bool findAlsaPort(snd_seq_t* seq, Direction side, const std::string& name, AlsaPort& port);

std::vector<DeviceCaps> devicesOf(const std::vector<AlsaPort>& ports);

} // namespace moxel::midi
