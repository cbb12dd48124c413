#include "midi/backends/jack/JackPorts.h"

#include <algorithm>
#include <utility>

namespace moxel::midi {

std::vector<std::string> listMidiPorts(jack_client_t* client, Direction side) {
    std::vector<std::pair<bool, std::string>> found; // (not physical, name)
    const unsigned long flags = side == Direction::Input ? JackPortIsOutput : JackPortIsInput;
    const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, flags);
    for (const char** p = ports; p != nullptr && *p != nullptr; ++p) {
        jack_port_t* port = jack_port_by_name(client, *p);
        if (port != nullptr && jack_port_is_mine(client, port) == 0) {
            found.emplace_back((jack_port_flags(port) & JackPortIsPhysical) == 0, *p);
        }
    }
    jack_free(static_cast<void*>(ports));
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    names.reserve(found.size());
    for (auto& [notPhysical, name] : found) {
        names.push_back(std::move(name));
    }
    return names;
}

std::string portOwner(const std::string& fullName) {
    return fullName.substr(0, fullName.find(':'));
}

bool portExists(jack_client_t* client, const std::string& fullName) {
    return jack_port_by_name(client, fullName.c_str()) != nullptr;
}

} // namespace moxel::midi
