#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace moxel {
class RelayShared;
}

namespace moxel::midi {

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

// The position of the device of that name in a listing; -1 when it is not
// listed (or its name could not be read).
inline int positionOf(const std::vector<DeviceCaps>& devices, const std::string& name) {
    for (std::size_t i = 0; i < devices.size(); ++i) {
        if (devices[i].result == CapsResult::Ok && devices[i].name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

enum class OpenResult { Ok, InUse, Failed };

// Why the MIDI service cannot be reached, when that is for the user to put
// right (a JACK server that is not running yet is looked for, not a problem).
enum class ServiceProblem {
    None,
    SequencerMissing,      // the ALSA sequencer's device (/dev/snd/seq) is not there
    SequencerNotPermitted, // the user may not open it
    SequencerFailed,       // it would not open for another reason
};

// Handle of an open device; 0 means none.
using MidiHandle = std::uint32_t;

// Which side of Moxel a device stands on.
enum class Direction {
    Input,  // Moxel's input: the relay reads from it
    Output, // Moxel's output: the relay writes to it
};

// What a backend's threads tell the UI thread.
enum class News : std::uint32_t {
    Relay = 1,   // the relay left something in RelayShared (a lamp, a followed channel)
    Devices = 2, // devices may have come or gone, or the service went away
};

// The one interface to the platform's MIDI service. Every member is called
// from the UI thread only. The relay itself runs inside the backend (in its
// real-time context), reading and writing the RelayShared state it was
// given; RelayBackend holds what every backend does the same way.
//
// Devices come and go: the backend tells the UI thread (device news)
// whenever devices appeared or vanished or the service went away; the UI then looks at the lists
// again and reopens what it wants. An output that vanished (closed without a reset) keeps the notes
// that were sounding on it, and opening a device of the same name later releases them there before
// anything else is sent.
class MidiBackend {
  public:
    virtual ~MidiBackend() = default;

    // The devices as the service lists them now, in its order. A device id
    // (for the open calls) is a position in the last listing.
    virtual std::vector<DeviceCaps> inputs() = 0;
    virtual std::vector<DeviceCaps> outputs() = 0;

    // On Ok, handle is set to a nonzero value; otherwise it is set to 0.
    virtual OpenResult openInput(int id, MidiHandle& handle) = 0;
    // The name of an open device as the service gave it when it was opened
    // (it may have changed since the listing); "" for no open device.
    virtual std::string openName(MidiHandle handle) = 0;
    // From here on what arrives on the input is relayed.
    virtual void startInput(MidiHandle handle) = 0;
    // Stops and closes the input; after it returns nothing that arrived from
    // that input is relayed any more, and the notes it left sounding are
    // released at the output.
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

    // Sets (or, with an empty function, removes) the callback for one kind of
    // news. It is called from some thread of the backend's and must only hand
    // the news over to the UI thread. A service whose devices never change
    // never tells device news.
    virtual void setNewsCallback(News kind, std::function<void()> callback) = 0;
    // False once the device of an open handle is gone (it vanished, or was
    // replaced by a new one of the same name); the handle stays open until
    // it is closed.
    virtual bool deviceConnected(MidiHandle handle) = 0;

    // The service is available while it can be reached (and, for a
    // RelayBackend, its real-time context runs). Without it there are no
    // devices, and the UI looks for the service again now and then.
    virtual bool serviceAvailable() { return true; }
    // Looks for the service if it is not available now; true when it is.
    virtual bool lookForService() { return serviceAvailable(); }
    // Why the service could not be reached at the last look.
    virtual ServiceProblem serviceProblem() { return ServiceProblem::None; }
};

} // namespace moxel::midi
