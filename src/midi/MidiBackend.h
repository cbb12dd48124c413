#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace moxel {

class RelayShared;

// What asking a device for its name gave.
enum class CapsResult {
    Ok,        // name holds the device's name
    Allocated, // another application holds the device
    Failed,    // the name could not be read
};

struct DeviceCaps {
    CapsResult result = CapsResult::Failed;
    std::string name;  // raw name as the platform reports it (may hold NULs or blanks)
    std::string owner; // what the device belongs to (JACK: its client), "" when unknown
};

enum class OpenResult { Ok, InUse, Failed };

// Handle of an open device; 0 means none.
using MidiHandle = std::uint32_t;

// The one interface to the platform's MIDI service. Every member is called
// from the UI thread only. The relay rule itself runs inside the backend (in
// its real-time context where it has one), reading and writing the
// RelayShared state it was given.
//
// Devices come and go: the backend tells the UI thread (through the device
// change callback) whenever ports appeared or vanished or the service went
// away; the UI then looks at the lists again and reopens what it wants. An
// output that vanished (closed without a reset) keeps the notes that were
// sounding on it, and opening a device of the same name later releases them
// there before anything else is sent.
class MidiBackend {
  public:
    virtual ~MidiBackend() = default;

    // Devices are numbered 0..count-1 in the platform's listing order.
    virtual int inputCount() = 0;
    virtual DeviceCaps inputCaps(int id) = 0;
    virtual int outputCount() = 0;
    virtual DeviceCaps outputCaps(int id) = 0;

    // On Ok, handle is set to a nonzero value; otherwise it is set to 0.
    virtual OpenResult openInput(int id, MidiHandle& handle) = 0;
    virtual void startInput(MidiHandle handle) = 0;
    // Stops, resets and closes the input; after it returns nothing that
    // arrived from that input is relayed any more.
    virtual void closeInput(MidiHandle handle) = 0;

    virtual OpenResult openOutput(int id, MidiHandle& handle) = 0;
    // Silences the output: sustain off, a note-off for every note still
    // sounding, All Notes Off and All Sound Off on every channel. Returns when
    // those messages are on their way to the device (or the service is gone).
    virtual void resetOutput(MidiHandle handle) = 0;
    virtual void closeOutput(MidiHandle handle) = 0;

    // The UI's sending path: the message goes through the same channel rule
    // and output lamp as relayed input. Returns false when the message could
    // not be queued or sent.
    virtual bool sendShort(MidiHandle handle, std::uint32_t message) = 0;

    // Called, from some thread of the backend's, when the relay has left
    // something for the UI thread in RelayShared (a lamp, a followed channel).
    // The callee must only hand the news over to the UI thread.
    virtual void setActivityCallback(std::function<void()> callback) = 0;

    // False once the device of an open handle is gone (its port vanished, or
    // was replaced by a new one of the same name); the handle stays open until
    // it is closed.
    virtual bool deviceConnected(MidiHandle handle) = 0;

    // Called, from some thread of the backend's, when devices may have come
    // or gone or the service went away. The callee only hands the news over.
    virtual void setDeviceChangeCallback(std::function<void()> callback) = 0;
    // True while the MIDI service can be reached. Without it there are no
    // devices, and the UI looks for the service again now and then.
    virtual bool serviceAvailable() = 0;
    // Tries to reach the service if it cannot be reached now; true when it can.
    virtual bool connectService() = 0;
};

} // namespace moxel
