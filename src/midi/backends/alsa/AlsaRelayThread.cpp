#include "midi/backends/alsa/AlsaRelayThread.h"

#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "midi/NewsThread.h"
#include "relay/MidiMessage.h"
#include "relay/RealtimeScope.h"
#include "relay/Relay.h"

namespace moxel::midi {

namespace {

// Below JACK's usual priorities: a JACK server on the same machine keeps its own first.
constexpr int kPriority = 60;
// How soon a pass follows while a sequence of the relay's own is held back.
constexpr int kPaceMilliseconds = 1;

// What the System Announce port tells of clients and ports.
bool isDeviceNews(const snd_seq_event_t& event) {
    if (event.source.client != SND_SEQ_CLIENT_SYSTEM ||
        event.source.port != SND_SEQ_PORT_SYSTEM_ANNOUNCE) {
        return false;
    }
    switch (event.type) {
    case SND_SEQ_EVENT_CLIENT_START:
    case SND_SEQ_EVENT_CLIENT_EXIT:
    case SND_SEQ_EVENT_CLIENT_CHANGE:
    case SND_SEQ_EVENT_PORT_START:
    case SND_SEQ_EVENT_PORT_EXIT:
    case SND_SEQ_EVENT_PORT_CHANGE:
        return true;
    default:
        return false;
    }
}

} // namespace

// Moxel's output port: each message becomes one event sent at once to the
// port's subscribers. SysEx (whole, a chunk, or the F7 that ends one) goes
// as its bytes. While the relay writes its own messages it may be given an
// allowance (WritePace): a write past it is refused, and the relay goes on
// with it in a later pass.
class AlsaRelayThread::SequencerWriter final : public RelayWriter {
  public:
    SequencerWriter(snd_seq_t* seq, int port, snd_midi_event_t* encoder) noexcept
        : seq_(seq), port_(port), encoder_(encoder) {}

    void limitTo(std::size_t allowance) noexcept {
        allowance_ = allowance;
        written_ = 0;
        refused_ = false;
    }
    void unlimited() noexcept { allowance_ = SIZE_MAX; }
    std::size_t written() const noexcept { return written_; }
    // A write was refused since limitTo: past the allowance, or by the sequencer.
    bool refused() const noexcept { return refused_; }

    bool write(const std::uint8_t* bytes, std::size_t size,
               std::uint32_t /*time*/) noexcept override {
        if (written_ >= allowance_) {
            refused_ = true;
            return false;
        }
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        const std::uint8_t first = bytes[0];
        if (first == midi::kSysexStart || first == midi::kSysexEnd || !midi::isStatus(first)) {
            snd_seq_ev_set_sysex(&event, static_cast<unsigned>(size),
                                 const_cast<std::uint8_t*>(bytes));
        } else {
            snd_midi_event_reset_encode(encoder_);
            if (snd_midi_event_encode(encoder_, bytes, static_cast<long>(size), &event) <= 0 ||
                event.type == SND_SEQ_EVENT_NONE) {
                return true; // a status the sequencer has no event for: nobody could hear it
            }
        }
        snd_seq_ev_set_source(&event, static_cast<unsigned char>(port_));
        snd_seq_ev_set_subs(&event);
        snd_seq_ev_set_direct(&event);
        // Never waits: a receiver whose queue is full loses the message (the
        // sequencer lets it take only so much at once), but Moxel's own
        // queue is read on, so nothing else is lost.
        if (snd_seq_event_output_direct(seq_, &event) < 0) {
            refused_ = true;
            return false;
        }
        ++written_;
        return true;
    }

  private:
    snd_seq_t* seq_;
    int port_;
    snd_midi_event_t* encoder_;
    std::size_t allowance_ = SIZE_MAX;
    std::size_t written_ = 0;
    bool refused_ = false;
};

AlsaRelayThread::AlsaRelayThread(snd_seq_t* seq, int inputPort, int outputPort, Relay& relay,
                                 NewsThread& news)
    : seq_(seq), inputPort_(inputPort), outputPort_(outputPort), relay_(relay), news_(news),
      wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    snd_midi_event_new(16, &decoder_);
    snd_midi_event_new(16, &encoder_);
    if (decoder_ != nullptr) {
        snd_midi_event_no_status(decoder_, 1); // every message with its status byte
    }
    thread_ = std::thread([this] { run(); });
}

AlsaRelayThread::~AlsaRelayThread() {
    stopping_.store(true, std::memory_order_release);
    wake();
    thread_.join();
    if (decoder_ != nullptr) {
        snd_midi_event_free(decoder_);
    }
    if (encoder_ != nullptr) {
        snd_midi_event_free(encoder_);
    }
    close(wakeFd_);
}

void AlsaRelayThread::wake() noexcept {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

// Before the loop: the thread's priority, and the sequencer's buffer for
// SysEx it writes grown to its largest, so that writing never allocates.
void AlsaRelayThread::prepare() noexcept {
    pthread_setname_np(pthread_self(), "moxel-relay");
    sched_param param{};
    param.sched_priority = kPriority;
    if (const int error = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param); error != 0) {
        std::fprintf(stderr,
                     "moxel: the ALSA relay runs without real-time priority (%s); timing may "
                     "suffer on a busy machine\n",
                     std::strerror(error));
    }
    std::vector<std::uint8_t> largest(kLargestEvent, 0);
    largest.front() = midi::kSysexStart;
    largest.back() = midi::kSysexEnd;
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_seq_ev_set_sysex(&event, static_cast<unsigned>(largest.size()), largest.data());
    snd_seq_ev_set_source(&event, static_cast<unsigned char>(outputPort_));
    snd_seq_ev_set_dest(&event, SND_SEQ_ADDRESS_UNKNOWN, 0); // to nobody
    snd_seq_ev_set_direct(&event);
    snd_seq_event_output_direct(seq_, &event);
    snd_seq_client_pool_t* pool = nullptr;
    snd_seq_client_pool_alloca(&pool);
    if (snd_seq_get_client_pool(seq_, pool) == 0) {
        queueSize_ = snd_seq_client_pool_get_input_pool(pool);
    }
}

void AlsaRelayThread::run() noexcept {
    prepare();
    const int count = snd_seq_poll_descriptors_count(seq_, POLLIN);
    std::array<pollfd, 8> fds{};
    // The sequencer's descriptors, then the wake.
    const auto wakeAt = static_cast<std::size_t>(
        snd_seq_poll_descriptors(seq_, fds.data(), std::min<unsigned>(count, 7), POLLIN));
    fds[wakeAt] = {wakeFd_, POLLIN, 0};
    sequencerFd_ = fds[0].fd;
    const auto watched = static_cast<nfds_t>(wakeAt) + 1;
    SequencerWriter out(seq_, outputPort_, encoder_);
    while (!stopping_.load(std::memory_order_acquire)) {
        // While the relay has work of its own (a sequence held back by the
        // pace), it looks again soon.
        if (poll(fds.data(), watched, relay_.hasWork() ? kPaceMilliseconds : -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if ((fds[wakeAt].revents & POLLIN) != 0) {
            std::uint64_t woken = 0;
            [[maybe_unused]] const ssize_t read = ::read(wakeFd_, &woken, sizeof woken);
        }
        const bool arrived = std::any_of(fds.begin(), fds.begin() + static_cast<long>(wakeAt),
                                         [](const pollfd& fd) { return fd.revents != 0; });
        const RealtimeScope realtime;
        pass(out, arrived);
    }
}

// One pass: the relay's own messages at their pace and as the receiver's
// queue has room, then everything that arrived, read until nothing is left
// in the library's buffer (poll tells of more in the kernel's queue).
void AlsaRelayThread::pass(SequencerWriter& out, bool arrived) noexcept {
    const bool own = relay_.hasWork();
    const WritePace::Clock::time_point now =
        own ? WritePace::Clock::now() : WritePace::Clock::time_point{};
    const int receiver = receiver_.load(std::memory_order_relaxed);
    out.limitTo(pace_.allowance(now, own && receiver >= 0 ? queueRoom(sequencerFd_, receiver)
                                                          : std::nullopt));
    relay_.beginCycle(out);
    pace_.passed(out.written(), out.refused(), now);
    out.unlimited();
    while (arrived) {
        snd_seq_event_t* event = nullptr;
        const int got = snd_seq_event_input(seq_, &event);
        if (got == -ENOSPC) {
            // The kernel's queue for Moxel ran over and was emptied whole.
            // It tells no count: as many as the full queue held short
            // messages (a sender may send again what did not fit).
            relay_.countLost(std::max<std::size_t>(queueSize_, 1));
        } else if (got < 0 || event == nullptr) {
            break;
        } else {
            handle(*event, out);
        }
        arrived = snd_seq_event_input_pending(seq_, 0) > 0;
    }
    if (relay_.endCycle()) {
        news_.signal(News::Relay);
    }
}

void AlsaRelayThread::handle(const snd_seq_event_t& event, SequencerWriter& out) noexcept {
    if (isDeviceNews(event)) {
        news_.signal(News::Devices);
        return;
    }
    if (event.dest.port != inputPort_) {
        return;
    }
    if (event.type == SND_SEQ_EVENT_SYSEX) {
        relay_.relayInput(static_cast<const std::uint8_t*>(event.data.ext.ptr), event.data.ext.len,
                          0, out);
        return;
    }
    std::array<unsigned char, 16> bytes{};
    const long size =
        snd_midi_event_decode(decoder_, bytes.data(), static_cast<long>(bytes.size()), &event);
    // One event may stand for several messages (a 14-bit controller is two):
    // the relay takes them apart.
    if (size > 0) {
        relay_.relayInput(bytes.data(), static_cast<std::size_t>(size), 0, out);
    }
}

} // namespace moxel::midi
