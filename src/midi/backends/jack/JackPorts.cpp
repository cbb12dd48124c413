#include "midi/backends/jack/JackPorts.h"

namespace moxel {

std::vector<std::string> listMidiPorts(jack_client_t* client, PortRole role) {
    std::vector<std::string> names;
    const unsigned long flags = role == PortRole::Source ? JackPortIsOutput : JackPortIsInput;
    const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, flags);
    if (ports == nullptr) {
        return names;
    }
    for (const char** p = ports; *p != nullptr; ++p) {
        jack_port_t* port = jack_port_by_name(client, *p);
        if (port != nullptr && jack_port_is_mine(client, port) == 0) {
            names.emplace_back(*p);
        }
    }
    jack_free(static_cast<void*>(ports));
    return names;
}

bool portExists(jack_client_t* client, const std::string& fullName) {
    return jack_port_by_name(client, fullName.c_str()) != nullptr;
}

} // namespace moxel
