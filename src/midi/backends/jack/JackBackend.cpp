#include "midi/backends/jack/JackBackend.h"

#include <pthread.h>

#include <array>
#include <cerrno>
#include <thread>
#include <utility>

#include "midi/ShortMessage.h"
#include "midi/backends/jack/JackPorts.h"
#include "midi/backends/jack/JackRelayProcess.h"
#include "midi/backends/jack/RealtimeScope.h"
#include "relay/RelayShared.h"

namespace moxel {

namespace {

// A reset or a close waits for the process callback at most this long plus a
// few cycles, so a stalled or vanished server can never hang the UI.
constexpr auto kWaitBase = std::chrono::milliseconds(300);
constexpr int kWaitCycles = 8;
constexpr auto kPollInterval = std::chrono::microseconds(250);

DeviceCaps capsOf(jack_client_t* client, const std::vector<std::string>& snapshot, int id) {
    DeviceCaps caps;
    if (client == nullptr || id < 0 || static_cast<std::size_t>(id) >= snapshot.size()) {
        return caps;
    }
    const std::string& name = snapshot[static_cast<std::size_t>(id)];
    if (portExists(client, name)) {
        caps = {CapsResult::Ok, name, portOwner(name)};
    }
    return caps;
}

} // namespace

JackBackend::JackBackend(RelayShared& shared, std::string clientName)
    : shared_(shared), requestedName_(std::move(clientName)) {
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
    auto process = std::make_unique<JackRelayProcess>(shared_, notifier_, lostEvents_, parked_);
    jack_port_t* in =
        jack_port_register(client, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_port_t* out =
        jack_port_register(client, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (in == nullptr || out == nullptr) {
        jack_client_close(client);
        return false;
    }
    process->setPorts(in, out);
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
    shared_.inputOpen.store(false, std::memory_order_release);
    shared_.outputOpen.store(false, std::memory_order_release);
    // Closing deactivates first: the process thread is gone when it returns.
    // After the server went away this close must come before the next
    // jack_client_open: libjack frees the clients of a dead server that are
    // still open in the process when a new client opens.
    jack_client_close(client_);
    // What still sounded on the output is released when it is back. (The
    // notes always belong to the output opened last: a reset forgets them, a
    // device that went away parked them already, unless the server was
    // going too.)
    if (!process_->notesAfterStop().empty() && !lastOutputPort_.empty()) {
        parked_ = process_->notesAfterStop();
        parkedPort_ = lastOutputPort_;
    }
    client_ = nullptr;
    inputPort_ = nullptr;
    outputPort_ = nullptr;
    process_.reset();
    actualName_.clear();
    inputPortName_.clear();
    outputPortName_.clear();
    sources_.clear();
    destinations_.clear();
    input_ = {};
    output_ = {};
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

MidiHandle JackBackend::nextHandle() noexcept {
    ++lastHandle_;
    if (lastHandle_ == 0) {
        ++lastHandle_;
    }
    return lastHandle_;
}

int JackBackend::inputCount() {
    sources_.clear();
    if (ensureClient()) {
        sources_ = listMidiPorts(client_, PortRole::Source);
    }
    return static_cast<int>(sources_.size());
}

int JackBackend::outputCount() {
    destinations_.clear();
    if (ensureClient()) {
        destinations_ = listMidiPorts(client_, PortRole::Destination);
    }
    return static_cast<int>(destinations_.size());
}

DeviceCaps JackBackend::inputCaps(int id) {
    return capsOf(liveClient() ? client_ : nullptr, sources_, id);
}

DeviceCaps JackBackend::outputCaps(int id) {
    return capsOf(liveClient() ? client_ : nullptr, destinations_, id);
}

OpenResult JackBackend::openInput(int id, MidiHandle& handle) {
    handle = 0;
    if (input_.handle != 0) {
        closeInput(input_.handle);
    }
    const DeviceCaps caps = inputCaps(id);
    if (caps.result != CapsResult::Ok) {
        return OpenResult::Failed;
    }
    const int rc = jack_connect(client_, caps.name.c_str(), inputPortName_.c_str());
    if (rc != 0 && rc != EEXIST) {
        return OpenResult::Failed;
    }
    // No wait here: the connection takes effect a cycle or two later, by
    // which time startInput has let the relay accept it.
    input_ = {nextHandle(), caps.name, process_->cycles() + 2};
    handle = input_.handle;
    return OpenResult::Ok;
}

void JackBackend::startInput(MidiHandle handle) {
    if (handle != 0 && handle == input_.handle && liveClient()) {
        shared_.inputOpen.store(true, std::memory_order_release);
    }
}

void JackBackend::closeInput(MidiHandle handle) {
    if (handle == 0 || handle != input_.handle) {
        return;
    }
    shared_.inputOpen.store(false, std::memory_order_release);
    const Connection closing = std::exchange(input_, Connection{});
    if (!liveClient()) {
        return;
    }
    jack_disconnect(client_, closing.port.c_str(), inputPortName_.c_str());
    // After this no cycle can carry the old port's data any more, and the
    // next input may be opened and started.
    waitUntilGraphUpdated();
    // Its note-offs can never come now: release what it left sounding.
    if (output_.handle != 0) {
        const std::uint64_t ticket = process_->inputRelease().request();
        waitFor([&] { return process_->inputRelease().done(ticket); });
    }
}

OpenResult JackBackend::openOutput(int id, MidiHandle& handle) {
    handle = 0;
    if (output_.handle != 0) {
        closeOutput(output_.handle);
    }
    const DeviceCaps caps = outputCaps(id);
    if (caps.result != CapsResult::Ok) {
        return OpenResult::Failed;
    }
    // Notes left sounding when this device went away are released before
    // anything else reaches it; otherwise the relay sends from before the
    // connection takes effect, so nothing that arrives once a client sees the
    // connection is dropped.
    const bool release = parkedPort_ == caps.name;
    shared_.outputOpen.store(!release, std::memory_order_release);
    const int rc = jack_connect(client_, outputPortName_.c_str(), caps.name.c_str());
    if (rc != 0 && rc != EEXIST) {
        shared_.outputOpen.store(false, std::memory_order_release);
        return OpenResult::Failed;
    }
    // Returns at once; the UI's first message waits for the connection.
    output_ = {nextHandle(), caps.name, process_->cycles() + 2};
    lastOutputPort_ = caps.name;
    handle = output_.handle;
    if (release) {
        waitUntilOutputConnected();
        const std::uint64_t ticket = process_->parkedRelease().request();
        waitFor([&] { return process_->parkedRelease().heard(ticket, process_->cycles()); });
        parkedPort_.clear();
        shared_.outputOpen.store(true, std::memory_order_release);
    }
    return OpenResult::Ok;
}

void JackBackend::resetOutput(MidiHandle handle) {
    if (handle == 0 || handle != output_.handle || !liveClient()) {
        return;
    }
    waitUntilOutputConnected();
    const std::uint64_t ticket = process_->reset().request();
    // Returns once the whole sequence is written and the destination has
    // had its cycle to read it, so a close right after cannot cut it off.
    waitFor([&] { return process_->reset().heard(ticket, process_->cycles()); });
}

void JackBackend::closeOutput(MidiHandle handle) {
    if (handle == 0 || handle != output_.handle) {
        return;
    }
    shared_.outputOpen.store(false, std::memory_order_release);
    if (!liveClient()) {
        output_ = {}; // the server went: closing the client kept what sounded
        return;
    }
    const Connection closing = std::exchange(output_, Connection{});
    jack_disconnect(client_, outputPortName_.c_str(), closing.port.c_str());
    // As for the input: after this nothing can reach the old destination, so
    // a new output opened next receives the relay alone.
    waitUntilGraphUpdated();
    // Closed without a reset (the device went away): what still sounds on it
    // is released when a device of its name is opened again.
    const std::uint64_t ticket = process_->park().request();
    if (waitFor([&] { return process_->park().done(ticket); }) && process_->parkedSome()) {
        parkedPort_ = closing.port;
    }
}

bool JackBackend::sendShort(MidiHandle handle, std::uint32_t message) {
    if (handle == 0 || handle != output_.handle || !liveClient()) {
        return false;
    }
    if (!isSendableShortMessage(message)) {
        return false;
    }
    waitUntilOutputConnected();
    return process_->queueShort(message);
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
    if (handle == 0 || !liveClient() || (handle != input_.handle && handle != output_.handle)) {
        return false;
    }
    const bool input = handle == input_.handle;
    const Connection& connection = input ? input_ : output_;
    if (process_->cycles() < connection.readyCycle) {
        return portExists(client_, connection.port);
    }
    return jack_port_connected_to(input ? inputPort_ : outputPort_, connection.port.c_str()) != 0;
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

bool JackBackend::waitFor(const std::function<bool()>& pred) {
    const auto deadline = std::chrono::steady_clock::now() + waitLimit();
    for (;;) {
        if (pred()) {
            return true;
        }
        if (serverGone_.load(std::memory_order_acquire) ||
            std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

// JACK applies a connection change to the graph at the start of a server
// cycle, and a cycle of ours that began before that still runs on the old
// graph. The first of our cycles counted after the change was requested began
// after the request, so the server cycle of the second began after it too:
// from the second on, every cycle runs on the new graph.
bool JackBackend::waitUntilGraphUpdated() {
    const std::uint64_t ready = process_->cycles() + 2;
    return waitFor([&] { return process_->cycles() >= ready; });
}

bool JackBackend::waitUntilOutputConnected() {
    if (process_->cycles() >= output_.readyCycle) {
        return true; // the usual case: no waiting
    }
    return waitFor([&] { return process_->cycles() >= output_.readyCycle; });
}

} // namespace moxel
