#include "midi/backends/winmm/SysexBuffers.h"

#include <atomic>

namespace moxel::midi {

SysexBuffers::SysexBuffers(std::size_t count) : data_(count), headers_(count) {
    for (std::size_t i = 0; i < count; ++i) {
        reset(i);
    }
}

void SysexBuffers::reset(std::size_t index) noexcept {
    headers_[index] = MIDIHDR{};
    headers_[index].lpData = data_[index].data();
    headers_[index].dwBufferLength = kBufferSize;
}

bool SysexBuffers::prepareAndAdd(const WinmmApi& api, HMIDIIN input) {
    for (std::size_t i = 0; i < count(); ++i) {
        reset(i);
        if (api.midiInPrepareHeader(input, &headers_[i], sizeof(MIDIHDR)) != MMSYSERR_NOERROR ||
            api.midiInAddBuffer(input, &headers_[i], sizeof(MIDIHDR)) != MMSYSERR_NOERROR) {
            api.midiInReset(input); // hands back what was added
            unprepare(api, input);
            return false;
        }
    }
    return true;
}

void SysexBuffers::unprepare(const WinmmApi& api, HMIDIIN input) {
    for (MIDIHDR& header : headers_) {
        if ((header.dwFlags & MHDR_PREPARED) != 0) {
            api.midiInUnprepareHeader(input, &header, sizeof(MIDIHDR));
        }
    }
}

bool SysexBuffers::prepare(const WinmmApi& api, HMIDIOUT output) {
    for (std::size_t i = 0; i < count(); ++i) {
        reset(i);
        if (api.midiOutPrepareHeader(output, &headers_[i], sizeof(MIDIHDR)) != MMSYSERR_NOERROR) {
            unprepare(api, output);
            return false;
        }
    }
    return true;
}

void SysexBuffers::unprepare(const WinmmApi& api, HMIDIOUT output) {
    for (MIDIHDR& header : headers_) {
        if ((header.dwFlags & MHDR_PREPARED) != 0) {
            api.midiOutUnprepareHeader(output, &header, sizeof(MIDIHDR));
        }
    }
}

// The driver raises MHDR_INQUEUE while it holds a buffer and lowers it, with
// MHDR_DONE raised, from its own thread when the buffer has gone out.
MIDIHDR* SysexBuffers::idleOutputBuffer() noexcept {
    for (MIDIHDR& header : headers_) {
        const DWORD flags = std::atomic_ref<DWORD>(header.dwFlags).load(std::memory_order_acquire);
        if ((flags & MHDR_PREPARED) != 0 && (flags & MHDR_INQUEUE) == 0) {
            return &header;
        }
    }
    return nullptr;
}

} // namespace moxel::midi
