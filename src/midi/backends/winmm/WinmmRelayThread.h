#pragma once

// Windows only.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "midi/backends/winmm/RelayWake.h"
#include "midi/backends/winmm/SysexBuffers.h"
#include "midi/backends/winmm/WinmmApi.h"
#include "relay/RelayEngine.h"
#include "relay/ResetSequence.h"
#include "relay/SpscRing.h"

namespace moxel {

// What the input callback leaves for the relay thread.
struct WinmmInputEvent {
    std::uint32_t message = 0; // MIM_DATA: the packed short message
    MIDIHDR* header = nullptr; // MIM_LONGDATA: the buffer
};

// What the UI thread asks of the relay thread.
enum class WinmmCommand : std::uint8_t { Short, Reset, Release, Park, ReleaseParked };
struct WinmmUiEvent {
    WinmmCommand command = WinmmCommand::Short;
    std::uint32_t message = 0;
};

// The relay's own thread, at time-critical priority. The input device's
// callback (a thread of the driver's) only pushes what arrived into a
// lock-free ring and wakes this thread, as the multimedia service asks of its
// callbacks; this thread applies the relay rule and sends. The UI thread's
// messages, resets and releases reach it through a second ring, so the relay
// state (the rule, the sounding notes) has this one thread as its owner.
//
// Real-time path (relay(), callback()): no allocation, lock, logging or I/O;
// the system calls are the sends themselves, the wait for work, and at most
// one activity callback (one PostMessage in the program) per burst of news.
class WinmmRelayThread {
  public:
    WinmmRelayThread(const WinmmApi& api, RelayShared& shared);
    ~WinmmRelayThread();
    WinmmRelayThread(const WinmmRelayThread&) = delete;
    WinmmRelayThread& operator=(const WinmmRelayThread&) = delete;

    // The input callback for midiInOpen (CALLBACK_FUNCTION, instance: this).
    static void CALLBACK callback(HMIDIIN input, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                  DWORD_PTR param2) noexcept;

    // UI side. The open devices; nullptr for none. After setInput(nullptr)
    // or setOutput(nullptr) and a sync() the thread no longer uses the old
    // handle.
    void setInput(HMIDIIN input) noexcept { input_.store(input, std::memory_order_release); }
    void setOutput(HMIDIOUT output, SysexBuffers* buffers) noexcept;

    // UI side: queues a packed short message; false when the ring is full.
    bool queueShort(std::uint32_t message) noexcept;
    // UI side: each returns once the thread has done it, or the wait gave
    // up (false).
    bool reset();        // the output's reset: midiOutReset, then the release sequence
    bool releaseInput(); // a note-off for every note the closed input left sounding
    bool sync();         // everything queued so far has been handled
    // The output went away: the notes sounding there are kept aside (true
    // when there were any), to be released when it is back. Nothing sounding
    // leaves the notes kept before as they are.
    bool park();
    // A note-off for every note kept aside, on the output open now.
    bool releaseParked();
    // UI side: called from this thread when the relay left news in
    // RelayShared. The callee must only hand the news over.
    void setActivityCallback(std::function<void()> callback);

    std::uint64_t lostEvents() const noexcept {
        return lostEvents_.load(std::memory_order_relaxed);
    }

  private:
    using InputEvent = WinmmInputEvent;
    using Command = WinmmCommand;
    using UiEvent = WinmmUiEvent;
    static constexpr std::size_t kInputRingSize = 4096;
    static constexpr std::size_t kUiRingSize = 256;

    void run() noexcept;
    bool hasWork() const noexcept;
    bool request(Command command);
    bool waitFor(std::uint64_t ticket);
    void handleUi(const UiEvent& event) noexcept;
    void handleInput(const InputEvent& event) noexcept;
    void relayShort(std::uint32_t message, MessageSource source) noexcept;
    void relaySysex(MIDIHDR& header) noexcept;
    void sendSysexChunk(const char* data, DWORD size) noexcept;
    void runReset() noexcept;
    void runRelease() noexcept;
    void runPark() noexcept;
    void runParkedRelease() noexcept;
    void tellActivity() noexcept;

    const WinmmApi& api_;
    RelayEngine engine_;       // this thread only
    ResetSequence reset_;      // this thread only
    bool insideSysex_ = false; // this thread only: a SysEx began and has not ended
    NoteTracker parked_;       // this thread only: what sounded on an output that went away
    std::atomic<bool> parkedSome_{false};
    std::atomic<HMIDIIN> input_{nullptr};
    std::atomic<HMIDIOUT> output_{nullptr};
    std::atomic<SysexBuffers*> outputBuffers_{nullptr};

    SpscRing<InputEvent, kInputRingSize> inputRing_;
    SpscRing<UiEvent, kUiRingSize> uiRing_;
    RelayWake wake_;
    HANDLE doneEvent_; // raised when a ticket is done
    std::atomic<std::uint64_t> requested_{0};
    std::atomic<std::uint64_t> done_{0};
    std::atomic<bool> stopping_{false};
    std::atomic<std::uint64_t> lostEvents_{0};
    std::atomic<const std::function<void()>*> activity_{nullptr};
    std::unique_ptr<std::function<void()>> activityStorage_; // UI side

    std::thread thread_;
};

} // namespace moxel
