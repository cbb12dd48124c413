#include "midi/backends/jack/JackBackend.h"

#include <pthread.h>

#include <array>
#include <cerrno>
#include <thread>
#include <utility>

#include "midi/NewsThread.h"
#include "midi/backends/jack/JackRelayProcess.h"
#include "relay/RealtimeScope.h"

namespace moxel::midi {

namespace {

// A wait for the process thread gives up after this long plus a few
// cycles, so a stalled or vanished server can never hang the UI.
constexpr auto kWaitBase = std::chrono::milliseconds(300);
constexpr int kWaitCycles = 8;

// How long the window waits for the server to answer a call (a connection, a
// close) before it takes the server as not answering.
constexpr auto kAnswerLimit = std::chrono::milliseconds(1000);

} // namespace

// Held by the client until it is closed (see closeClient).
struct JackBackend::Hooks {
    explicit Hooks(std::shared_ptr<NewsCallbacks> callbacks) : news(std::move(callbacks)) {}
    NewsThread news;
    std::atomic<bool> serverGone{false}; // set by JACK's shutdown callback
};

JackBackend::JackBackend(RelayShared& shared, std::string clientName)
    : RelayBackend(shared, Relay::Delivery::NextCycle), calls_(kAnswerLimit),
      requestedName_(std::move(clientName)), hooks_(std::make_shared<Hooks>(newsCallbacks())) {
    openClient();
}

JackBackend::~JackBackend() {
    // The client goes first: once it is closed nothing signals the news
    // thread. A close still waiting for its server keeps it (RelayBackend
    // removes the callbacks it tells).
    if (client_ != nullptr && hooks_->serverGone.load(std::memory_order_acquire)) {
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
    auto* hooks = static_cast<Hooks*>(arg);
    hooks->serverGone.store(true, std::memory_order_release);
    hooks->news.signal(News::Devices);
}

void JackBackend::onPortRegistration(jack_port_id_t /*port*/, int /*registered*/,
                                     void* arg) noexcept {
    static_cast<Hooks*>(arg)->news.signal(News::Devices);
}

void JackBackend::onPortRename(jack_port_id_t /*port*/, const char* /*oldName*/,
                               const char* /*newName*/, void* arg) noexcept {
    static_cast<Hooks*>(arg)->news.signal(News::Devices);
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
    auto process = std::make_shared<JackRelayProcess>(client, relay(), hooks_->news, in, out);
    hooks_->serverGone.store(false, std::memory_order_release);
    jack_on_info_shutdown(client, &JackBackend::onShutdown, hooks_.get());
    // Ports that come and go are device news; no polling while a server runs.
    if (jack_set_port_registration_callback(client, &JackBackend::onPortRegistration,
                                            hooks_.get()) != 0 ||
        jack_set_port_rename_callback(client, &JackBackend::onPortRename, hooks_.get()) != 0 ||
        jack_set_process_thread(client, &JackRelayProcess::processThread, process.get()) != 0 ||
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
    // still open in the process when a new client opens. The close holds what
    // JACK's threads reach through the callbacks, so a close left to finish
    // by itself (its server does not answer, or the relay stalled) reaches
    // nothing that goes with the backend; the relay is no longer theirs.
    if (!calls_.make(
            [client = client_, process = process_, hooks = hooks_] { jack_client_close(client); },
            {}, !relayStalled())) {
        process_->detach();
    }
    relayStopped(); // what still sounded on the output is released when it is back
    client_ = nullptr;
    inputPort_ = nullptr;
    outputPort_ = nullptr;
    process_.reset();
    actualName_.clear();
    inputPortName_.clear();
    outputPortName_.clear();
    connectedTo_ = {};
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
    if (client_ != nullptr && hooks_->serverGone.load(std::memory_order_acquire)) {
        dropDeadClient(false);
        return false;
    }
    return client_ != nullptr;
}

bool JackBackend::ensureClient() {
    if (liveClient()) {
        return true;
    }
    // Not while a dead client is still settling, or its close is waiting.
    return client_ == nullptr && calls_.answering() && openClient();
}

std::vector<DeviceCaps> JackBackend::list(Direction side) {
    std::vector<DeviceCaps> devices;
    if (ensureClient()) {
        for (std::string& port : listMidiPorts(client_, side)) {
            std::string owner = portOwner(port);
            devices.push_back({CapsResult::Ok, std::move(port), std::move(owner)});
        }
    }
    return devices;
}

// An input device's port is connected to Moxel's input port, Moxel's output
// port to an output device's.
OpenResult JackBackend::connect(Direction side, int /*id*/, DeviceCaps& device) {
    if (device.result != CapsResult::Ok || !liveClient() || !portExists(client_, device.name)) {
        return OpenResult::Failed;
    }
    const bool input = side == Direction::Input;
    if (!connectPorts(input ? device.name : outputPortName_,
                      input ? inputPortName_ : device.name)) {
        return OpenResult::Failed;
    }
    connectedTo_[static_cast<std::size_t>(side)] = device.name;
    return OpenResult::Ok;
}

void JackBackend::disconnect(Direction side) {
    std::string port = std::exchange(connectedTo_[static_cast<std::size_t>(side)], {});
    if (side == Direction::Input) {
        disconnectPorts(std::move(port), inputPortName_);
    } else {
        disconnectPorts(outputPortName_, std::move(port));
    }
}

bool JackBackend::connectPorts(const std::string& from, const std::string& to) {
    auto rc = std::make_shared<int>(-1);
    // A connection the server makes only after the window gave up on it is
    // undone: that device did not open.
    const bool answered = calls_.make(
        [client = client_, from, to, rc] { *rc = jack_connect(client, from.c_str(), to.c_str()); },
        [client = client_, from, to, rc] {
            if (*rc == 0) {
                jack_disconnect(client, from.c_str(), to.c_str());
            }
        });
    return answered && (*rc == 0 || *rc == EEXIST);
}

// Made once the server answers again, if it does not now; not waited for once
// the relay stalled.
void JackBackend::disconnectPorts(std::string from, std::string to) {
    calls_.make([client = client_, from = std::move(from),
                 to = std::move(to)] { jack_disconnect(client, from.c_str(), to.c_str()); },
                {}, !relayStalled());
}

// A port that unregisters loses its connections, and a new port of the same
// name starts without them: the connection itself tells, once the graph
// holds it. Until then (a cycle or two after the open) the port's name does.
bool JackBackend::connected(Direction side) {
    const std::string& port = connectedTo_[static_cast<std::size_t>(side)];
    if (!settled(side)) {
        return portExists(client_, port);
    }
    return jack_port_connected_to(side == Direction::Input ? inputPort_ : outputPort_,
                                  port.c_str()) != 0;
}

// Gone, or not answering: a wait for the relay would be for nothing.
bool JackBackend::serviceGone() {
    return hooks_->serverGone.load(std::memory_order_acquire) || !calls_.answering();
}

bool JackBackend::serviceAvailable() {
    return liveClient();
}

bool JackBackend::lookForService() {
    return ensureClient();
}

void JackBackend::quietLibraryMessages() noexcept {
    jack_set_error_function([](const char*) {});
    jack_set_info_function([](const char*) {});
}

std::chrono::steady_clock::duration JackBackend::waitLimit() const {
    return kWaitBase + kWaitCycles * cycleTime_;
}

} // namespace moxel::midi
