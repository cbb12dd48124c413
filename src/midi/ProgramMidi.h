#pragma once

#include <functional>
#include <optional>

#include "midi/BackgroundOpenedBackend.h"
#include "midi/MidiSystems.h"
#include "midi/SwitchingBackend.h"

namespace moxel {
class RelayShared;
}

namespace moxel::midi {

// The program's MIDI: the backend of the system asked for, else of the one
// found (makeFirstBackend), made on a thread of its own once startMaking() is
// called (opening a service is mostly waiting for it: the window shows
// meanwhile, and waits for it at its first use of the backend), else at that
// first use. The menu may switch to another system later.
class ProgramMidi {
  public:
    // made: the program's own step after each backend is made.
    ProgramMidi(MidiSystems systems, const MidiSystem* asked, RelayShared& relay,
                std::function<void()> made = {});
    ProgramMidi(const ProgramMidi&) = delete;
    ProgramMidi& operator=(const ProgramMidi&) = delete;

    void startMaking() { first_->startMaking(); }
    SwitchingBackend& backend() { return *backend_; }

  private:
    BackgroundOpenedBackend* first_ = nullptr;
    const MidiSystem* chosen_ = nullptr;
    std::optional<SwitchingBackend> backend_;
};

} // namespace moxel::midi
