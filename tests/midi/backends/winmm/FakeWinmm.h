#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "midi/backends/winmm/WinmmApi.h"

namespace moxel::test {

// A scripted multimedia service behind the backend's function table: devices
// with names and results chosen by the test, a log of the calls that matter
// ("midiInOpen 1", "midiOutShortMsg 643C93", "midiOutReset"), and
// an input driver the test plays: short messages and SysEx buffers reach the
// backend's callback as a driver would deliver them. One at a time.
class FakeWinmm {
  public:
    struct Device {
        std::u16string name;
        MMRESULT caps = MMSYSERR_NOERROR;
        MMRESULT open = MMSYSERR_NOERROR;
    };

    FakeWinmm();
    ~FakeWinmm();
    FakeWinmm(const FakeWinmm&) = delete;
    FakeWinmm& operator=(const FakeWinmm&) = delete;

    const midi::WinmmApi& api() const;

    std::vector<Device> inputs, outputs;
    MMRESULT shortResult = MMSYSERR_NOERROR; // what midiOutShortMsg answers
    bool outputDead = false; // the open output's handle: its device went and came back

    // The driver: the open input receives a short message, or a SysEx (in
    // one of the buffers the backend handed over, or lost when it has none).
    void receive(std::uint32_t message);
    bool receiveSysex(const std::vector<std::uint8_t>& bytes);

    std::vector<std::string> calls() const {
        return locked([&] { return calls_; });
    }
    void clearCalls() {
        locked([&] { calls_.clear(); });
    }
    std::size_t count(const std::string& prefix) const;
    // What each output device (by name) was sent, message by message, and
    // the name of the open input ("" when none).
    std::vector<std::vector<std::uint8_t>> heardBy(const std::u16string& device) const {
        return locked([&] {
            const auto found = heard_.find(device);
            return found != heard_.end() ? found->second : decltype(found->second){};
        });
    }
    std::u16string openInput() const {
        return locked([&] { return callbackAddress != 0 ? inputName : u""; });
    }
    // The thread that sent the last short message, and its priority.
    std::pair<DWORD, int> sender() const {
        return locked([&] { return sender_; });
    }
    std::size_t buffersHeld() const {
        return locked([&] { return held_.size(); });
    }
    int preparedHeaders = 0; // headers prepared and not yet unprepared

    // The function table's entries (static: a table holds plain functions).
    static FakeWinmm* current;
    void log(std::string line) {
        locked([&] { calls_.push_back(std::move(line)); });
    }
    void sent(std::vector<std::uint8_t> bytes) {
        locked([&] { heard_[outputName].push_back(std::move(bytes)); });
    }
    void noteSender() {
        locked([&] { sender_ = {GetCurrentThreadId(), GetThreadPriority(GetCurrentThread())}; });
    }
    void callback(UINT message, DWORD_PTR param);
    void hold(MIDIHDR* header) {
        locked([&] { held_.push_back(header); });
    }
    MIDIHDR* takeHeld();                  // nullptr when none is held
    std::u16string inputName, outputName; // of the open input and output
    DWORD_PTR callbackAddress = 0, instance = 0;

  private:
    template <typename F> auto locked(F f) const -> decltype(f()) {
        const std::lock_guard lock(mutex_);
        return f();
    }
    mutable std::mutex mutex_;
    std::deque<MIDIHDR*> held_; // input buffers the "driver" holds
    std::vector<std::string> calls_;
    std::map<std::u16string, std::vector<std::vector<std::uint8_t>>> heard_;
    std::pair<DWORD, int> sender_{};
};

} // namespace moxel::test
