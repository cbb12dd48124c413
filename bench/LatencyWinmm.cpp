// How long a message takes from the winmm input callback to the send on the
// output, through the backend's ring and its time-critical relay thread:
// the callback is played by a thread of this program at 1 ms intervals (as a
// driver would), the send is timed where midiOutShortMsg is called. Under
// Wine this times Wine's scheduling of the relay thread; on Windows, the
// system's. Prints microseconds: median, 99th percentile, largest, and how
// many took over a millisecond.
#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

#include <windows.h>

#include <mmsystem.h>

#include "midi/backends/winmm/WinmmBackend.h"
#include "relay/RelayShared.h"

namespace {

constexpr int kMessages = 2000;

// Each message (a key pressure, which the relay tracks no note for) carries
// its number in its two data bytes.
std::vector<long long> playedAt(kMessages), sentAt(kMessages);
DWORD_PTR callbackAddress = 0, callbackInstance = 0;

long long now() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

UINT WINAPI one() {
    return 1;
}
MMRESULT WINAPI inCaps(UINT_PTR, LPMIDIINCAPSW caps, UINT) {
    *caps = MIDIINCAPSW{};
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI outCaps(UINT_PTR, LPMIDIOUTCAPSW caps, UINT) {
    *caps = MIDIOUTCAPSW{};
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI inOpen(LPHMIDIIN handle, UINT, DWORD_PTR callback, DWORD_PTR instance, DWORD) {
    *handle = reinterpret_cast<HMIDIIN>(static_cast<UINT_PTR>(1));
    callbackAddress = callback;
    callbackInstance = instance;
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI outOpen(LPHMIDIOUT handle, UINT, DWORD_PTR, DWORD_PTR, DWORD) {
    *handle = reinterpret_cast<HMIDIOUT>(static_cast<UINT_PTR>(2));
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI inHandle(HMIDIIN) {
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI inHeader(HMIDIIN, LPMIDIHDR, UINT) {
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI outHandle(HMIDIOUT) {
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI inId(HMIDIIN, LPUINT) {
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI outId(HMIDIOUT, LPUINT) {
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI outHeader(HMIDIOUT, LPMIDIHDR, UINT) {
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI outShort(HMIDIOUT, DWORD message) {
    const auto number =
        static_cast<std::size_t>(((message >> 8) & 0x7F) | ((message >> 9) & 0x3F80));
    if (number < sentAt.size()) {
        sentAt[number] = now();
    }
    return MMSYSERR_NOERROR;
}

const moxel::midi::WinmmApi kApi{one,       inCaps,   inOpen,    inHandle,  inHandle,  inHandle,
                                 inHandle,  inHeader, inHeader,  inHeader,  one,       outCaps,
                                 outOpen,   outShort, outHeader, outHeader, outHeader, outHandle,
                                 outHandle, inId,     outId};

double micros(long long ticks) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) * 1e6 / static_cast<double>(frequency.QuadPart);
}

} // namespace

int main() {
    moxel::RelayShared shared;
    moxel::midi::WinmmBackend backend(shared, kApi);
    moxel::midi::MidiHandle in = 0, out = 0;
    backend.openInput(0, in);
    backend.startInput(in);
    backend.openOutput(0, out);

    std::thread driver([] {
        for (int i = 0; i < kMessages; ++i) {
            const DWORD message = 0xA0 | (DWORD(i & 0x7F) << 8) | (DWORD(i >> 7) << 16);
            playedAt[static_cast<std::size_t>(i)] = now();
            reinterpret_cast<DRVCALLBACK*>(callbackAddress)(nullptr, MIM_DATA, callbackInstance,
                                                            message, 0);
            Sleep(1);
        }
    });
    driver.join();
    const ULONGLONG deadline = GetTickCount64() + 5000; // the last ones may still be on their way
    while (std::ranges::count(sentAt, 0LL) > 0 && GetTickCount64() < deadline) {
        Sleep(1);
    }
    backend.closeInput(in);
    backend.closeOutput(out);

    std::vector<long long> delays;
    for (std::size_t i = 0; i < playedAt.size(); ++i) {
        if (sentAt[i] != 0) {
            delays.push_back(sentAt[i] - playedAt[i]);
        }
    }
    if (delays.size() != playedAt.size()) {
        std::printf("%zu of %d messages were not sent\n", playedAt.size() - delays.size(),
                    kMessages);
        return 1;
    }
    const auto slow = std::ranges::count_if(delays, [](long long d) { return micros(d) > 1000; });
    std::ranges::sort(delays);
    std::printf("callback to midiOutShortMsg over %d messages: median %.1f us, 99th percentile "
                "%.1f us, largest %.1f us, over 1 ms: %lld\n",
                kMessages, micros(delays[delays.size() / 2]),
                micros(delays[delays.size() * 99 / 100]), micros(delays.back()),
                static_cast<long long>(slow));
    return 0;
}
