#pragma once

// Windows only.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "midi/NewsCallbacks.h"
#include "midi/backends/winmm/RelayWake.h"
#include "midi/backends/winmm/SysexBuffers.h"
#include "midi/backends/winmm/WinmmApi.h"
#include "relay/Relay.h"
#include "relay/SpscRing.h"

namespace moxel::midi {

// What the input callback leaves for the relay thread.
struct WinmmInputEvent {
    std::uint32_t message = 0; // MIM_DATA: the packed short message
    MIDIHDR* header = nullptr; // MIM_LONGDATA: the buffer
};

// The relay's own thread, at time-critical priority: the real-time context
// that drives the relay on Windows. The input device's callback (a thread of
// the driver's) only pushes what arrived into a lock-free ring and wakes this
// thread, as the multimedia service asks of its callbacks; this thread runs
// the relay and sends. The UI's messages and jobs reach the relay through
// the relay's own ring and tickets, and a wake.
//
// Real-time path (run(), callback()): no allocation, lock, logging or I/O;
// the system calls are the sends themselves, the wait for work, and at most
// one call of the relay news callback (one PostMessage in the program) per
// burst of news.
class WinmmRelayThread {
  public:
    WinmmRelayThread(const WinmmApi& api, Relay& relay, std::shared_ptr<NewsCallbacks> news);
    ~WinmmRelayThread();
    WinmmRelayThread(const WinmmRelayThread&) = delete;
    WinmmRelayThread& operator=(const WinmmRelayThread&) = delete;

    // The input callback for midiInOpen (CALLBACK_FUNCTION, instance: this).
    static void CALLBACK callback(HMIDIIN input, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                  DWORD_PTR param2) noexcept;

    // UI side. The open devices; nullptr for none. Once a cycle has passed
    // after setInput(nullptr) or setOutput(nullptr), the thread no longer
    // uses the old handle.
    void setInput(HMIDIIN input) noexcept { input_.store(input, std::memory_order_release); }
    void setOutput(HMIDIOUT output, SysexBuffers* buffers) noexcept;
    // Any thread: the thread runs a cycle soon, work or not.
    void wake() noexcept;

  private:
    static constexpr std::size_t kInputRingSize = 4096;
    class DeviceWriter;

    void run() noexcept;
    bool hasWork() noexcept;
    void handleInput(const WinmmInputEvent& event, RelayWriter& out) noexcept;

    const WinmmApi& api_;
    Relay& relay_;
    std::atomic<HMIDIIN> input_{nullptr};
    std::atomic<HMIDIOUT> output_{nullptr};
    std::atomic<SysexBuffers*> outputBuffers_{nullptr};

    SpscRing<WinmmInputEvent, kInputRingSize> inputRing_;
    RelayWake wake_;
    std::atomic<bool> cycleAsked_{false};
    std::atomic<bool> stopping_{false};
    std::shared_ptr<NewsCallbacks> news_; // told of the relay's news from this thread

    std::thread thread_;
};

} // namespace moxel::midi
