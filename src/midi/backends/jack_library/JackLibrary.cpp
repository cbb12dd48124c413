// The program loads the JACK library (libjack.so.0) when it first opens a
// client, on the thread that opens it, rather than at start: the window is on
// the screen sooner, and without the library Moxel still starts and shows that
// there is no MIDI service. The functions here stand in for the JACK functions
// the backend calls and forward to the loaded library; the backend's tests
// call JACK through them too.
#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <initializer_list>
#include <type_traits>

#include <jack/jack.h>
#include <jack/midiport.h>

namespace moxel::midi {

namespace {

// Every JACK function the backend calls, from the loaded library; all of them
// or none.
struct JackFunctions {
    decltype(&::jack_activate) activate = nullptr;
    decltype(&::jack_client_close) client_close = nullptr;
    decltype(&::jack_client_open) client_open = nullptr;
    decltype(&::jack_connect) connect = nullptr;
    decltype(&::jack_cycle_signal) cycle_signal = nullptr;
    decltype(&::jack_cycle_wait) cycle_wait = nullptr;
    decltype(&::jack_disconnect) disconnect = nullptr;
    decltype(&::jack_free) free = nullptr;
    decltype(&::jack_get_buffer_size) get_buffer_size = nullptr;
    decltype(&::jack_get_client_name) get_client_name = nullptr;
    decltype(&::jack_get_ports) get_ports = nullptr;
    decltype(&::jack_get_sample_rate) get_sample_rate = nullptr;
    decltype(&::jack_midi_clear_buffer) midi_clear_buffer = nullptr;
    decltype(&::jack_midi_event_get) midi_event_get = nullptr;
    decltype(&::jack_midi_event_reserve) midi_event_reserve = nullptr;
    decltype(&::jack_midi_get_event_count) midi_get_event_count = nullptr;
    decltype(&::jack_on_info_shutdown) on_info_shutdown = nullptr;
    decltype(&::jack_port_by_name) port_by_name = nullptr;
    decltype(&::jack_port_connected_to) port_connected_to = nullptr;
    decltype(&::jack_port_flags) port_flags = nullptr;
    decltype(&::jack_port_get_buffer) port_get_buffer = nullptr;
    decltype(&::jack_port_is_mine) port_is_mine = nullptr;
    decltype(&::jack_port_name) port_name = nullptr;
    decltype(&::jack_port_register) port_register = nullptr;
    decltype(&::jack_set_error_function) set_error_function = nullptr;
    decltype(&::jack_set_info_function) set_info_function = nullptr;
    decltype(&::jack_set_port_registration_callback) set_port_registration_callback = nullptr;
    decltype(&::jack_set_port_rename_callback) set_port_rename_callback = nullptr;
    decltype(&::jack_set_process_thread) set_process_thread = nullptr;
    decltype(&::jack_set_thread_init_callback) set_thread_init_callback = nullptr;

    bool loaded() const { return client_open != nullptr; } // all or none
};

JackFunctions load() {
    constexpr const char* file = "libjack.so.0";
    void* library = ::dlopen(file, RTLD_NOW | RTLD_LOCAL); // kept for the process's life
    if (library == nullptr) {
        std::fprintf(stderr, "moxel: no JACK library, so JACK cannot be used: %s\n", ::dlerror());
        return {};
    }
    JackFunctions f;
    bool complete = true;
    const auto find = [&](auto& function, const char* name) {
        function =
            reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(library, name));
        if (function == nullptr) {
            std::fprintf(stderr, "moxel: %s lacks %s, so JACK cannot be used\n", file, name);
            complete = false;
        }
    };
    find(f.activate, "jack_activate");
    find(f.client_close, "jack_client_close");
    find(f.client_open, "jack_client_open");
    find(f.connect, "jack_connect");
    find(f.cycle_signal, "jack_cycle_signal");
    find(f.cycle_wait, "jack_cycle_wait");
    find(f.disconnect, "jack_disconnect");
    find(f.free, "jack_free");
    find(f.get_buffer_size, "jack_get_buffer_size");
    find(f.get_client_name, "jack_get_client_name");
    find(f.get_ports, "jack_get_ports");
    find(f.get_sample_rate, "jack_get_sample_rate");
    find(f.midi_clear_buffer, "jack_midi_clear_buffer");
    find(f.midi_event_get, "jack_midi_event_get");
    find(f.midi_event_reserve, "jack_midi_event_reserve");
    find(f.midi_get_event_count, "jack_midi_get_event_count");
    find(f.on_info_shutdown, "jack_on_info_shutdown");
    find(f.port_by_name, "jack_port_by_name");
    find(f.port_connected_to, "jack_port_connected_to");
    find(f.port_flags, "jack_port_flags");
    find(f.port_get_buffer, "jack_port_get_buffer");
    find(f.port_is_mine, "jack_port_is_mine");
    find(f.port_name, "jack_port_name");
    find(f.port_register, "jack_port_register");
    find(f.set_error_function, "jack_set_error_function");
    find(f.set_info_function, "jack_set_info_function");
    find(f.set_port_registration_callback, "jack_set_port_registration_callback");
    find(f.set_port_rename_callback, "jack_set_port_rename_callback");
    find(f.set_process_thread, "jack_set_process_thread");
    find(f.set_thread_init_callback, "jack_set_thread_init_callback");
    return complete ? f : JackFunctions{};
}

// Loaded at the first call, once. Every later call, also from JACK's
// real-time thread, only reads the initialised table: no lock, no system call.
const JackFunctions& jack() {
    static const JackFunctions functions = load();
    return functions;
}

// Without the library jack_client_open gives no client, and every other
// function is only ever called with a client or one of its ports: a call
// without a function cannot come. Should one come all the same, it answers
// with nothing rather than jump to nowhere.
template <typename Function, typename... Args> auto call(Function function, Args... args) {
    using Result = std::invoke_result_t<Function, Args...>;
    if (function == nullptr) {
        return Result();
    }
    return function(args...);
}

} // namespace

} // namespace moxel::midi

using moxel::midi::call;
using moxel::midi::jack;

extern "C" {

// The optional arguments follow the options that ask for them, in JACK's
// order: server name, internal client name, its init string.
jack_client_t* jack_client_open(const char* client_name, jack_options_t options,
                                jack_status_t* status, ...) {
    if (!jack().loaded()) {
        if (status != nullptr) {
            *status = static_cast<jack_status_t>(JackFailure | JackServerFailed);
        }
        return nullptr;
    }
    const char* extra[3] = {};
    int count = 0;
    va_list args;
    va_start(args, status);
    for (const int option : {JackServerName, JackLoadName, JackLoadInit}) {
        if ((options & option) != 0) {
            extra[count++] = va_arg(args, const char*);
        }
    }
    va_end(args);
    const auto open = jack().client_open;
    switch (count) {
    case 0:
        return open(client_name, options, status);
    case 1:
        return open(client_name, options, status, extra[0]);
    case 2:
        return open(client_name, options, status, extra[0], extra[1]);
    default:
        return open(client_name, options, status, extra[0], extra[1], extra[2]);
    }
}

int jack_activate(jack_client_t* client) {
    return call(jack().activate, client);
}
int jack_client_close(jack_client_t* client) {
    return call(jack().client_close, client);
}
int jack_connect(jack_client_t* client, const char* source_port, const char* destination_port) {
    return call(jack().connect, client, source_port, destination_port);
}
void jack_cycle_signal(jack_client_t* client, int status) {
    call(jack().cycle_signal, client, status);
}
jack_nframes_t jack_cycle_wait(jack_client_t* client) {
    return call(jack().cycle_wait, client);
}
int jack_disconnect(jack_client_t* client, const char* source_port, const char* destination_port) {
    return call(jack().disconnect, client, source_port, destination_port);
}
void jack_free(void* ptr) {
    call(jack().free, ptr);
}
jack_nframes_t jack_get_buffer_size(jack_client_t* client) {
    return call(jack().get_buffer_size, client);
}
char* jack_get_client_name(jack_client_t* client) {
    return call(jack().get_client_name, client);
}
const char** jack_get_ports(jack_client_t* client, const char* port_name_pattern,
                            const char* type_name_pattern, unsigned long flags) {
    return call(jack().get_ports, client, port_name_pattern, type_name_pattern, flags);
}
jack_nframes_t jack_get_sample_rate(jack_client_t* client) {
    return call(jack().get_sample_rate, client);
}
void jack_midi_clear_buffer(void* port_buffer) {
    call(jack().midi_clear_buffer, port_buffer);
}
int jack_midi_event_get(jack_midi_event_t* event, void* port_buffer, uint32_t event_index) {
    return call(jack().midi_event_get, event, port_buffer, event_index);
}
jack_midi_data_t* jack_midi_event_reserve(void* port_buffer, jack_nframes_t time,
                                          size_t data_size) {
    return call(jack().midi_event_reserve, port_buffer, time, data_size);
}
uint32_t jack_midi_get_event_count(void* port_buffer) {
    return call(jack().midi_get_event_count, port_buffer);
}
void jack_on_info_shutdown(jack_client_t* client, JackInfoShutdownCallback shutdown_callback,
                           void* arg) {
    call(jack().on_info_shutdown, client, shutdown_callback, arg);
}
jack_port_t* jack_port_by_name(jack_client_t* client, const char* port_name) {
    return call(jack().port_by_name, client, port_name);
}
int jack_port_connected_to(const jack_port_t* port, const char* port_name) {
    return call(jack().port_connected_to, port, port_name);
}
int jack_port_flags(const jack_port_t* port) {
    return call(jack().port_flags, port);
}
void* jack_port_get_buffer(jack_port_t* port, jack_nframes_t frames) {
    return call(jack().port_get_buffer, port, frames);
}
int jack_port_is_mine(const jack_client_t* client, const jack_port_t* port) {
    return call(jack().port_is_mine, client, port);
}
const char* jack_port_name(const jack_port_t* port) {
    return call(jack().port_name, port);
}
jack_port_t* jack_port_register(jack_client_t* client, const char* port_name, const char* port_type,
                                unsigned long flags, unsigned long buffer_size) {
    return call(jack().port_register, client, port_name, port_type, flags, buffer_size);
}
void jack_set_error_function(void (*func)(const char*)) {
    call(jack().set_error_function, func);
}
void jack_set_info_function(void (*func)(const char*)) {
    call(jack().set_info_function, func);
}
int jack_set_port_registration_callback(jack_client_t* client,
                                        JackPortRegistrationCallback registration_callback,
                                        void* arg) {
    return call(jack().set_port_registration_callback, client, registration_callback, arg);
}
int jack_set_port_rename_callback(jack_client_t* client, JackPortRenameCallback rename_callback,
                                  void* arg) {
    return call(jack().set_port_rename_callback, client, rename_callback, arg);
}
int jack_set_process_thread(jack_client_t* client, JackThreadCallback thread_callback, void* arg) {
    return call(jack().set_process_thread, client, thread_callback, arg);
}
int jack_set_thread_init_callback(jack_client_t* client,
                                  JackThreadInitCallback thread_init_callback, void* arg) {
    return call(jack().set_thread_init_callback, client, thread_init_callback, arg);
}

} // extern "C"
