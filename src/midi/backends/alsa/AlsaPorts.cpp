#include "midi/backends/alsa/AlsaPorts.h"

namespace moxel::midi {

namespace {

constexpr unsigned kReadable = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
constexpr unsigned kWritable = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;

bool fits(unsigned capability, Direction side) {
    if ((capability & SND_SEQ_PORT_CAP_NO_EXPORT) != 0) {
        return false;
    }
    const unsigned wanted = side == Direction::Input ? kReadable : kWritable;
    return (capability & wanted) == wanted;
}

} // namespace

std::vector<AlsaPort> listAlsaPorts(snd_seq_t* seq, Direction side) {
    std::vector<AlsaPort> ports;
    snd_seq_client_info_t* client = nullptr;
    snd_seq_port_info_t* port = nullptr;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    const int self = snd_seq_client_id(seq);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq, client) >= 0) {
        const int id = snd_seq_client_info_get_client(client);
        if (id == SND_SEQ_CLIENT_SYSTEM || id == self) {
            continue;
        }
        const std::string clientName = snd_seq_client_info_get_name(client);
        snd_seq_port_info_set_client(port, id);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq, port) >= 0) {
            if (fits(snd_seq_port_info_get_capability(port), side)) {
                ports.push_back({*snd_seq_port_info_get_addr(port),
                                 clientName + ":" + snd_seq_port_info_get_name(port), clientName});
            }
        }
    }
    return ports;
}

bool findAlsaPort(snd_seq_t* seq, Direction side, const std::string& name, AlsaPort& found) {
    for (AlsaPort& port : listAlsaPorts(seq, side)) {
        if (port.name == name) {
            found = std::move(port);
            return true;
        }
    }
    return false;
}

std::vector<DeviceCaps> devicesOf(const std::vector<AlsaPort>& ports) {
    std::vector<DeviceCaps> devices;
    devices.reserve(ports.size());
    for (const AlsaPort& port : ports) {
        devices.push_back({CapsResult::Ok, port.name, port.client});
    }
    return devices;
}

} // namespace moxel::midi
