#include "MinimalAlsaRelay.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace moxel::bench {

MinimalAlsaRelay::MinimalAlsaRelay(const std::string& name, int channel) : channel_(channel) {
    if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
        seq_ = nullptr;
        return;
    }
    snd_seq_set_client_name(seq_, name.c_str());
    snd_seq_set_client_pool_input(seq_, 2000); // as Moxel's
    client_ = snd_seq_client_id(seq_);
    // Port 0 is read by others, port 1 written to, as the test peers' are.
    out_ =
        snd_seq_create_simple_port(seq_, "out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                   SND_SEQ_PORT_TYPE_APPLICATION);
    in_ =
        snd_seq_create_simple_port(seq_, "in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                   SND_SEQ_PORT_TYPE_APPLICATION);
    stopFd_ = eventfd(0, EFD_CLOEXEC);
    thread_ = std::thread([this] { run(); });
}

MinimalAlsaRelay::~MinimalAlsaRelay() {
    if (seq_ == nullptr) {
        return;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopFd_, &one, sizeof one);
    thread_.join();
    snd_seq_close(seq_);
    close(stopFd_);
}

// The relay: poll, read, rewrite the channel, write.
void MinimalAlsaRelay::run() noexcept {
    sched_param param{};
    param.sched_priority = 60; // Moxel's relay thread's
    if (const int error = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param); error != 0) {
        std::fprintf(stderr, "minimal relay: no real-time priority (%s)\n", std::strerror(error));
    }
    std::array<pollfd, 2> fds{};
    snd_seq_poll_descriptors(seq_, fds.data(), 1, POLLIN);
    fds[1] = {stopFd_, POLLIN, 0};
    while (poll(fds.data(), fds.size(), -1) >= 0 && fds[1].revents == 0) {
        do {
            snd_seq_event_t* event = nullptr;
            if (snd_seq_event_input(seq_, &event) < 0 || event == nullptr) {
                break;
            }
            if (snd_seq_ev_is_channel_type(event)) {
                event->data.note.channel = static_cast<unsigned char>(channel_);
            }
            snd_seq_ev_set_source(event, static_cast<unsigned char>(out_));
            snd_seq_ev_set_subs(event);
            snd_seq_ev_set_direct(event);
            snd_seq_event_output_direct(seq_, event);
        } while (snd_seq_event_input_pending(seq_, 0) > 0);
    }
}

} // namespace moxel::bench
