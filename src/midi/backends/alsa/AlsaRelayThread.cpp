#include "midi/backends/alsa/AlsaRelayThread.h"

#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "midi/ActivityNotifier.h"
#include "relay/MidiMessage.h"
#include "relay/RealtimeScope.h"
#include "relay/Relay.h"

namespace moxel {

namespace {

// Below JACK's usual priorities: a JACK server on the same machine keeps its own first.
constexpr int kPriority = 60;

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

// Moxel's output port, for one pass: each message becomes one event sent at
// once to the port's subscribers. SysEx (whole, a chunk, or the F7 that ends
// one) goes as its bytes.
class AlsaRelayThread::SequencerWriter final : public RelayWriter {
  public:
    SequencerWriter(snd_seq_t* seq, int port, snd_midi_event_t* encoder) noexcept
        : seq_(seq), port_(port), encoder_(encoder) {}

    bool write(const std::uint8_t* bytes, std::size_t size,
               std::uint32_t /*time*/) noexcept override {
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
        return snd_seq_event_output_direct(seq_, &event) >= 0;
    }

  private:
    snd_seq_t* seq_;
    int port_;
    snd_midi_event_t* encoder_;
};

AlsaRelayThread::AlsaRelayThread(snd_seq_t* seq, int inputPort, int outputPort, Relay& relay,
                                 ActivityNotifier& notifier)
    : seq_(seq), inputPort_(inputPort), outputPort_(outputPort), relay_(relay), notifier_(notifier),
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
}

void AlsaRelayThread::run() noexcept {
    prepare();
    const int count = snd_seq_poll_descriptors_count(seq_, POLLIN);
    std::array<pollfd, 8> fds{};
    const int sequencer =
        snd_seq_poll_descriptors(seq_, fds.data(), std::min<unsigned>(count, 7), POLLIN);
    fds[static_cast<std::size_t>(sequencer)] = {wakeFd_, POLLIN, 0};
    const auto watched = static_cast<nfds_t>(sequencer) + 1;
    while (!stopping_.load(std::memory_order_acquire)) {
        if (snd_seq_event_input_pending(seq_, 0) == 0 && poll(fds.data(), watched, -1) < 0 &&
            errno != EINTR) {
            break;
        }
        std::uint64_t woken = 0;
        [[maybe_unused]] const ssize_t read = ::read(wakeFd_, &woken, sizeof woken);
        const RealtimeScope realtime;
        SequencerWriter out(seq_, outputPort_, encoder_);
        relay_.beginCycle(out);
        for (;;) {
            snd_seq_event_t* event = nullptr;
            const int got = snd_seq_event_input(seq_, &event);
            if (got == -ENOSPC) {
                relay_.countLost(); // the kernel's queue for Moxel ran over
                continue;
            }
            if (got < 0 || event == nullptr) {
                break;
            }
            handle(*event, out);
        }
        if (relay_.endCycle()) {
            notifier_.signal(ActivityNotifier::News::Relay);
        }
    }
}

void AlsaRelayThread::handle(const snd_seq_event_t& event, SequencerWriter& out) noexcept {
    if (isDeviceNews(event)) {
        notifier_.signal(ActivityNotifier::News::Devices);
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
    // One event may stand for several messages (a 14-bit controller is two).
    for (long at = 0; at < size;) {
        const auto length =
            static_cast<long>(midi::messageLength(bytes[static_cast<std::size_t>(at)]));
        relay_.relayInput(bytes.data() + at, static_cast<std::size_t>(std::min(length, size - at)),
                          0, out);
        at += length;
    }
}

} // namespace moxel
