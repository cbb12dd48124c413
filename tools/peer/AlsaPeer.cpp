#include "peer/AlsaPeer.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <ctime>

namespace moxel::test {

AlsaPeer::AlsaPeer(const std::string& name, std::chrono::milliseconds readEvery)
    : name_(name), readEvery_(readEvery) {
    if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
        seq_ = nullptr;
        return;
    }
    snd_seq_set_client_name(seq_, name.c_str());
    if (readEvery_.count() == 0) {
        snd_seq_set_client_pool_input(seq_, 2000);
    }
    snd_seq_set_client_pool_output(seq_, 2000);
    snd_seq_set_input_buffer_size(seq_, std::size_t{128} * 1024);
    client_ = snd_seq_client_id(seq_);
    out_ =
        snd_seq_create_simple_port(seq_, "out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                   SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    in_ =
        snd_seq_create_simple_port(seq_, "in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                   SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    snd_midi_event_new(16, &encoder_);
    snd_midi_event_new(16, &decoder_);
    snd_midi_event_no_status(decoder_, 1);
    stopFd_ = eventfd(0, EFD_CLOEXEC);
    reader_ = std::thread([this] { read(); });
}

AlsaPeer::~AlsaPeer() {
    if (seq_ == nullptr) {
        return;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopFd_, &one, sizeof one);
    reader_.join();
    snd_seq_close(seq_);
    snd_midi_event_free(encoder_);
    snd_midi_event_free(decoder_);
    close(stopFd_);
}

bool AlsaPeer::send(const std::vector<std::uint8_t>& bytes) {
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    const std::uint8_t first = bytes.empty() ? 0 : bytes[0];
    if (bytes.empty()) {
        return false;
    }
    if (first == 0xF0 || first == 0xF7 || first < 0x80) {
        snd_seq_ev_set_sysex(&event, static_cast<unsigned>(bytes.size()),
                             const_cast<std::uint8_t*>(bytes.data()));
    } else {
        snd_midi_event_reset_encode(encoder_);
        if (snd_midi_event_encode(encoder_, bytes.data(), static_cast<long>(bytes.size()),
                                  &event) <= 0 ||
            event.type == SND_SEQ_EVENT_NONE) {
            return false;
        }
    }
    snd_seq_ev_set_source(&event, static_cast<unsigned char>(out_));
    snd_seq_ev_set_subs(&event);
    snd_seq_ev_set_direct(&event);
    // The peer's own pool drains as the kernel delivers; a receiver whose
    // queue is full (-ENOMEM) has lost it.
    for (int attempt = 0; attempt < 5000; ++attempt) {
        const int result = snd_seq_event_output_direct(seq_, &event);
        if (result != -EAGAIN) {
            return result >= 0;
        }
        const timespec pause{0, 200'000};
        nanosleep(&pause, nullptr);
    }
    return false;
}

void AlsaPeer::read() {
    std::array<pollfd, 2> fds{};
    snd_seq_poll_descriptors(seq_, fds.data(), 1, POLLIN);
    fds[1] = {stopFd_, POLLIN, 0};
    for (;;) {
        if (snd_seq_event_input_pending(seq_, 0) == 0) {
            poll(fds.data(), fds.size(), -1);
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return;
        }
        snd_seq_event_t* event = nullptr;
        while (snd_seq_event_input(seq_, &event) >= 0 && event != nullptr) {
            if (event->dest.port != in_) {
                continue;
            }
            Event got{{}, std::chrono::steady_clock::now()};
            if (event->type == SND_SEQ_EVENT_SYSEX) {
                const auto* data = static_cast<const std::uint8_t*>(event->data.ext.ptr);
                got.bytes.assign(data, data + event->data.ext.len);
            } else {
                std::array<unsigned char, 16> bytes{};
                const long size =
                    snd_midi_event_decode(decoder_, bytes.data(), bytes.size(), event);
                if (size <= 0) {
                    continue;
                }
                got.bytes.assign(bytes.begin(), bytes.begin() + size);
            }
            const std::lock_guard lock(mutex_);
            received_.push_back(std::move(got));
            arrived_.notify_all();
        }
        if (readEvery_.count() > 0 && poll(&fds[1], 1, static_cast<int>(readEvery_.count())) > 0) {
            return; // stopped meanwhile
        }
    }
}

std::vector<AlsaPeer::Event> AlsaPeer::received() {
    const std::lock_guard lock(mutex_);
    return received_;
}

std::vector<std::vector<std::uint8_t>> AlsaPeer::receivedBytes() {
    std::vector<std::vector<std::uint8_t>> bytes;
    for (Event& e : received()) {
        bytes.push_back(std::move(e.bytes));
    }
    return bytes;
}

bool AlsaPeer::waitForReceived(std::size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, timeout, [&] { return received_.size() >= count; });
}

} // namespace moxel::test
