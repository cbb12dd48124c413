#include "midi/backends/jack/JackBackend.h"

#include <pthread.h>

#include <array>
#include <cerrno>
#include <thread>
#include <utility>

#include "midi/backends/jack/JackRelayProcess.h"
#include "relay/RealtimeScope.h"

namespace moxel {

namespace {

// A wait for the process callback gives up after this long plus a few
// cycles, so a stalled or vanished server can never hang the UI.
constexpr auto kWaitBase = std::chrono::milliseconds(300);
constexpr int kWaitCycles = 8;

} // namespace

JackBackend::JackBackend(RelayShared& shared, std::string clientName)
    : RelayBackend(shared, Relay::Delivery::NextCycle), requestedName_(std::move(clientName)) {
    openClient();
}

JackBackend::~JackBackend() {
    // The client goes first: once it is closed nothing signals the notifier.
    if (client_ != nullptr && serverGone_.load(std::memory_order_acquire)) {
        dropDeadClient(true);
    }
    closeClient();
}

bool JackBackend::inProcessCallback() noexcept {
    return RealtimeScope::active();
}

// JACK's threads for this client (the process thread among them) are named so
// that a thread list (top -H, /proc) tells them apart.
void JackBackend::onProcessThreadStart(void*) {
    pthread_setname_np(pthread_self(), "moxel-jack");
}

void JackBackend::onShutdown(jack_status_t /*code*/, const char* /*reason*/, void* arg) noexcept {
    // Runs on one of JACK's threads like a signal handler: only note it and
    // tell the UI, which drops the client at its next call.
    auto* self = static_cast<JackBackend*>(arg);
    self->serverGone_.store(true, std::memory_order_release);
    self->notifier_.signal(ActivityNotifier::News::Devices);
}

void JackBackend::onPortRegistration(jack_port_id_t /*port*/, int /*registered*/,
                                     void* arg) noexcept {
    static_cast<JackBackend*>(arg)->notifier_.signal(ActivityNotifier::News::Devices);
}

void JackBackend::onPortRename(jack_port_id_t /*port*/, const char* /*oldName*/,
                               const char* /*newName*/, void* arg) noexcept {
    static_cast<JackBackend*>(arg)->notifier_.signal(ActivityNotifier::News::Devices);
}

bool JackBackend::openClient() {
    jack_status_t status{};
    // No JackUseExactName: when "moxel" is taken, JACK picks a free name.
    jack_client_t* client = jack_client_open(requestedName_.c_str(), JackNoStartServer, &status);
    if (client == nullptr) {
        return false;
    }
    jack_port_t* in =
        jack_port_register(client, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_port_t* out =
        jack_port_register(client, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (in == nullptr || out == nullptr) {
        jack_client_close(client);
        return false;
    }
    auto process = std::make_unique<JackRelayProcess>(relay(), notifier_, in, out);
    serverGone_.store(false, std::memory_order_release);
    jack_on_info_shutdown(client, &JackBackend::onShutdown, this);
    // Ports that come and go are device news; no polling while a server runs.
    if (jack_set_port_registration_callback(client, &JackBackend::onPortRegistration, this) != 0 ||
        jack_set_port_rename_callback(client, &JackBackend::onPortRename, this) != 0 ||
        jack_set_process_callback(client, &JackRelayProcess::processCallback, process.get()) != 0 ||
        jack_set_thread_init_callback(client, &JackBackend::onProcessThreadStart, nullptr) != 0 ||
        jack_activate(client) != 0) {
        jack_client_close(client);
        return false;
    }
    client_ = client;
    inputPort_ = in;
    outputPort_ = out;
    process_ = std::move(process);
    actualName_ = jack_get_client_name(client);
    inputPortName_ = jack_port_name(in);
    outputPortName_ = jack_port_name(out);
    const double rate = jack_get_sample_rate(client);
    const double frames = jack_get_buffer_size(client);
    cycleTime_ = std::chrono::microseconds(rate > 0 ? static_cast<long>(frames * 1e6 / rate) : 0);
    return true;
}

void JackBackend::closeClient() {
    if (client_ == nullptr) {
        return;
    }
    // Closing deactivates first: the process thread is gone when it returns.
    // After the server went away this close must come before the next
    // jack_client_open: libjack frees the clients of a dead server that are
    // still open in the process when a new client opens.
    jack_client_close(client_);
    relayStopped(); // what still sounded on the output is released when it is back
    client_ = nullptr;
    inputPort_ = nullptr;
    outputPort_ = nullptr;
    process_.reset();
    actualName_.clear();
    inputPortName_.clear();
    outputPortName_.clear();
    source_.clear();
    destination_.clear();
}

// When the server goes away, libjack's threads for the client go on a little
// while: the notification thread may still be taking the dying server's last
// messages. Closing the client cancels that thread, and cancelled inside one
// of them it leaves a lock of libjack's held, which the close then waits for
// forever (seen about once in 60 server restarts). So the client of a dead
// server is closed only once its threads have had time to finish; until then
// there is no service, and no new client is opened (opening one would close
// the old one the same way).
constexpr auto kDeadClientSettle = std::chrono::milliseconds(500);

bool JackBackend::dropDeadClient(bool wait) {
    const auto now = std::chrono::steady_clock::now();
    if (!goneSeen_) {
        goneSeen_ = now;
    }
    if (now - *goneSeen_ < kDeadClientSettle) {
        if (!wait) {
            return false;
        }
        std::this_thread::sleep_until(*goneSeen_ + kDeadClientSettle);
    }
    closeClient();
    goneSeen_.reset();
    return true;
}

// The client, if it is still usable; drops it when its server went away.
bool JackBackend::liveClient() {
    if (client_ != nullptr && serverGone_.load(std::memory_order_acquire)) {
        dropDeadClient(false);
        return false;
    }
    return client_ != nullptr;
}

bool JackBackend::ensureClient() {
    if (liveClient()) {
        return true;
    }
    return client_ == nullptr && openClient(); // a dead client still settling: not yet
}

std::vector<DeviceCaps> JackBackend::list(PortRole role) {
    std::vector<DeviceCaps> devices;
    if (ensureClient()) {
        for (std::string& port : listMidiPorts(client_, role)) {
            std::string owner = portOwner(port);
            devices.push_back({CapsResult::Ok, std::move(port), std::move(owner)});
        }
    }
    return devices;
}

std::vector<DeviceCaps> JackBackend::listInputs() {
    return list(PortRole::Source);
}

std::vector<DeviceCaps> JackBackend::listOutputs() {
    return list(PortRole::Destination);
}

OpenResult JackBackend::connectInput(int /*id*/, DeviceCaps& device) {
    if (device.result != CapsResult::Ok || !liveClient() || !portExists(client_, device.name)) {
        return OpenResult::Failed;
    }
    const int rc = jack_connect(client_, device.name.c_str(), inputPortName_.c_str());
    if (rc != 0 && rc != EEXIST) {
        return OpenResult::Failed;
    }
    source_ = device.name;
    return OpenResult::Ok;
}

void JackBackend::disconnectInput() {
    jack_disconnect(client_, std::exchange(source_, {}).c_str(), inputPortName_.c_str());
}

OpenResult JackBackend::connectOutput(int /*id*/, DeviceCaps& device) {
    if (device.result != CapsResult::Ok || !liveClient() || !portExists(client_, device.name)) {
        return OpenResult::Failed;
    }
    const int rc = jack_connect(client_, outputPortName_.c_str(), device.name.c_str());
    if (rc != 0 && rc != EEXIST) {
        return OpenResult::Failed;
    }
    destination_ = device.name;
    return OpenResult::Ok;
}

void JackBackend::disconnectOutput() {
    jack_disconnect(client_, outputPortName_.c_str(), std::exchange(destination_, {}).c_str());
}

void JackBackend::setActivityCallback(std::function<void()> callback) {
    notifier_.setCallback(ActivityNotifier::News::Relay, std::move(callback));
}

void JackBackend::setDeviceChangeCallback(std::function<void()> callback) {
    notifier_.setCallback(ActivityNotifier::News::Devices, std::move(callback));
}

// A port that unregisters loses its connections, and a new port of the same
// name starts without them: the connection itself tells, once the graph
// holds it. Until then (a cycle or two after the open) the port's name does.
bool JackBackend::deviceConnected(MidiHandle handle) {
    const bool input = handle == inputHandle();
    if (handle == 0 || !liveClient() || (!input && handle != outputHandle())) {
        return false;
    }
    const std::string& port = input ? source_ : destination_;
    if (!settled(handle)) {
        return portExists(client_, port);
    }
    return jack_port_connected_to(input ? inputPort_ : outputPort_, port.c_str()) != 0;
}

bool JackBackend::serviceAvailable() {
    return liveClient();
}

bool JackBackend::connectService() {
    return ensureClient();
}

void JackBackend::quietLibraryMessages() noexcept {
    jack_set_error_function([](const char*) {});
    jack_set_info_function([](const char*) {});
}

std::chrono::steady_clock::duration JackBackend::waitLimit() const {
    return kWaitBase + kWaitCycles * cycleTime_;
}

} // namespace moxel
