#include "midi/backends/alsa/AlsaBackend.h"

#include <cerrno>
#include <utility>

#include "midi/backends/alsa/AlsaRelayThread.h"

namespace moxel::midi {

namespace {

// The kernel's default pools stop a SysEx at about 5.5 KB; this many cells
// each way let some 50 KB through (larger values are ignored).
constexpr int kPoolCells = 2000;

// alsa-lib prints its errors on the error output (a missing /dev/snd/seq
// once a second while the window looks for it); the backend tells its own.
void quiet(const char* /*file*/, int /*line*/, const char* /*function*/, int /*error*/,
           const char* /*format*/, ...) {}

} // namespace

ServiceProblem sequencerProblem(int error) noexcept {
    switch (-error) {
    case 0:
        return ServiceProblem::None;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return ServiceProblem::SequencerMissing;
    case EACCES:
    case EPERM:
        return ServiceProblem::SequencerNotPermitted;
    default:
        return ServiceProblem::SequencerFailed;
    }
}

AlsaBackend::AlsaBackend(RelayShared& shared, const std::string& clientName)
    : RelayBackend(shared, Relay::Delivery::OnWrite), clientName_(clientName) {
    if (!open(clientName)) {
        close();
    }
}

AlsaBackend::~AlsaBackend() {
    close();
}

void AlsaBackend::close() {
    thread_.reset();
    if (seq_ != nullptr) {
        snd_seq_close(seq_); // the kernel removes the ports and their subscriptions
        seq_ = nullptr;
    }
}

bool AlsaBackend::lookForService() {
    if (seq_ == nullptr && !open(clientName_)) {
        close();
    }
    return seq_ != nullptr;
}

bool AlsaBackend::open(const std::string& clientName) {
    snd_lib_error_set_handler(quiet);
    if (const int error = snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
        error < 0) {
        seq_ = nullptr;
        error_ = snd_strerror(error);
        problem_ = sequencerProblem(error);
        return false;
    }
    problem_ = ServiceProblem::SequencerFailed; // until the client is made
    snd_seq_set_client_name(seq_, clientName.c_str());
    snd_seq_set_client_pool_input(seq_, kPoolCells);
    snd_seq_set_client_pool_output(seq_, kPoolCells);
    snd_seq_set_input_buffer_size(seq_, AlsaRelayThread::kLargestEvent + sizeof(snd_seq_event_t));
    client_ = snd_seq_client_id(seq_);
    clientName_ = clientName;
    inputPort_ = snd_seq_create_simple_port(
        seq_, "midi_in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    outputPort_ = snd_seq_create_simple_port(
        seq_, "midi_out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (client_ < 0 || inputPort_ < 0 || outputPort_ < 0) {
        error_ = "cannot make the sequencer client's ports";
        return false;
    }
    // Clients and ports that come and go, told by the System Announce port,
    // arrive on a port of Moxel's own that patchbays do not show.
    const int announcePort = snd_seq_create_simple_port(
        seq_, "announce", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
        SND_SEQ_PORT_TYPE_APPLICATION);
    if (announcePort < 0 || snd_seq_connect_from(seq_, announcePort, SND_SEQ_CLIENT_SYSTEM,
                                                 SND_SEQ_PORT_SYSTEM_ANNOUNCE) < 0) {
        error_ = "cannot hear of the sequencer's clients and ports";
        return false;
    }
    thread_ = std::make_unique<AlsaRelayThread>(seq_, inputPort_, outputPort_, relay(), news_);
    error_.clear();
    problem_ = ServiceProblem::None;
    return true;
}

std::string AlsaBackend::inputPortName() const {
    return seq_ != nullptr ? clientName_ + ":midi_in" : "";
}

std::string AlsaBackend::outputPortName() const {
    return seq_ != nullptr ? clientName_ + ":midi_out" : "";
}

void AlsaBackend::describe(snd_seq_port_subscribe_t* subscription, Direction side,
                           const snd_seq_addr_t& other) const {
    snd_seq_addr_t self{};
    self.client = static_cast<unsigned char>(client_);
    self.port = static_cast<unsigned char>(side == Direction::Input ? inputPort_ : outputPort_);
    const bool input = side == Direction::Input;
    snd_seq_port_subscribe_set_sender(subscription, input ? &other : &self);
    snd_seq_port_subscribe_set_dest(subscription, input ? &self : &other);
}

void AlsaBackend::wakeRelay() {
    if (thread_) {
        thread_->wake();
    }
}

std::vector<DeviceCaps> AlsaBackend::list(Direction side) {
    return seq_ != nullptr ? devicesOf(listAlsaPorts(seq_, side)) : std::vector<DeviceCaps>{};
}

// The port is looked up again by its name: a client that restarted has a
// new number.
OpenResult AlsaBackend::connect(Direction side, int /*id*/, DeviceCaps& device) {
    AlsaPort port;
    if (seq_ == nullptr || device.result != CapsResult::Ok ||
        !findAlsaPort(seq_, side, device.name, port)) {
        return OpenResult::Failed;
    }
    snd_seq_port_subscribe_t* subscription = nullptr;
    snd_seq_port_subscribe_alloca(&subscription);
    describe(subscription, side, port.address);
    const int result = snd_seq_subscribe_port(seq_, subscription);
    if (result != 0 && result != -EBUSY) { // -EBUSY: connected already
        return OpenResult::Failed;
    }
    connectedTo_[static_cast<std::size_t>(side)] = port.address;
    if (side == Direction::Output) {
        thread_->setReceiver(port.address.client);
    }
    return OpenResult::Ok;
}

void AlsaBackend::disconnect(Direction side) {
    if (side == Direction::Output && thread_) {
        thread_->setReceiver(-1);
    }
    if (const auto other = std::exchange(connectedTo_[static_cast<std::size_t>(side)], {})) {
        snd_seq_port_subscribe_t* subscription = nullptr;
        snd_seq_port_subscribe_alloca(&subscription);
        describe(subscription, side, *other);
        snd_seq_unsubscribe_port(seq_, subscription);
    }
}

// A port that exits takes its subscriptions with it, and a client that comes
// back has a new number: the subscription itself tells.
bool AlsaBackend::connected(Direction side) {
    const std::optional<snd_seq_addr_t>& other = connectedTo_[static_cast<std::size_t>(side)];
    if (!other) {
        return false;
    }
    snd_seq_port_subscribe_t* subscription = nullptr;
    snd_seq_port_subscribe_alloca(&subscription);
    describe(subscription, side, *other);
    return snd_seq_get_port_subscription(seq_, subscription) == 0;
}

} // namespace moxel::midi
