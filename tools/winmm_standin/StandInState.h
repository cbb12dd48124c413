#pragma once

// Windows only: the stand-in's scripted devices, its record, and the open
// input that its driver thread plays into.

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include <windows.h>

#include <mmsystem.h>

namespace moxel::standin {

struct Device {
    std::string name;       // UTF-8
    bool allocated = false; // another program holds it: opening gives MMSYSERR_ALLOCATED
    bool loop = false;      // output: what it is sent comes back on the open input
};

class State {
  public:
    static State& instance();

    // The devices plugged in now (guarded by mutex), and those unplugged.
    std::vector<Device> inputs, outputs;
    std::vector<Device> unpluggedInputs, unpluggedOutputs;

    // One line "<microseconds> <what>" in the record, written at once.
    void record(const std::string& what);

    // The open input.
    struct Input {
        DWORD_PTR callback = 0;
        DWORD_PTR instance = 0;
        HMIDIIN handle = nullptr;
        bool started = false;
        std::string name;
        bool gone = false; // unplugged while open: plays nothing more
    };
    std::mutex mutex;
    Input input;
    std::deque<MIDIHDR*> buffers; // handed over with midiInAddBuffer
    // The open output, as it was when opened.
    bool outputOpen = false;
    Device openOutput;
    bool openOutputGone = false; // unplugged while open: sends fail

    // On the driver thread: a device unplugged or plugged in again; false
    // when there is no such device to move.
    bool plug(bool in, const std::string& name, bool plugged);

    // The driver thread's window (made with the first input).
    HWND driver();
    // On the driver thread: the callback of the open input.
    void deliver(UINT message, DWORD_PTR param);

  private:
    State();
    std::wstring folder_;
    HWND driver_ = nullptr;
    std::mutex recordMutex_;
};

} // namespace moxel::standin
