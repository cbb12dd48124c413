#pragma once

#include <string>
#include <vector>

#include <alsa/asoundlib.h>

#include "midi/MidiBackend.h"

namespace moxel {

// A port of another sequencer client that Moxel can use as a device.
struct AlsaPort {
    snd_seq_addr_t address{};
    std::string name;   // "client name:port name", as aconnect -l shows them
    std::string client; // the client's name: what the port belongs to
};

// Which side a port can stand on for Moxel.
enum class AlsaRole {
    Source,      // Moxel reads from it (it can be read and subscribed to)
    Destination, // Moxel writes to it (it can be written and subscribed to)
};

// The ports of one role, in the order of their clients and port numbers,
// leaving out the System client, Moxel's own client and ports that are not
// exported.
std::vector<AlsaPort> listAlsaPorts(snd_seq_t* seq, AlsaRole role);

// The port of that name and role, if one is there now.
bool findAlsaPort(snd_seq_t* seq, AlsaRole role, const std::string& name, AlsaPort& port);

std::vector<DeviceCaps> devicesOf(const std::vector<AlsaPort>& ports);

} // namespace moxel
