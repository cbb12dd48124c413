#include "app/qt/LinuxMidi.h"

#include "app/qt/CloseOnExit.h"
#include "midi/backends/alsa/AlsaBackend.h"
#include "midi/backends/jack/JackBackend.h"

namespace moxel {

std::unique_ptr<MidiBackend> makeLinuxBackend(MidiSystem system, RelayShared& relay) {
    std::unique_ptr<MidiBackend> made;
    if (system == MidiSystem::Jack) {
        JackBackend::quietLibraryMessages();
        made = std::make_unique<JackBackend>(relay);
    } else {
        made = std::make_unique<AlsaBackend>(relay);
    }
    // The MIDI libraries are loaded now: what they left for exit() to undo
    // comes after the close.
    CloseOnExit::hookIntoExit();
    return made;
}

std::unique_ptr<MidiBackend> makeFirstLinuxBackend(std::optional<MidiSystem> asked,
                                                   RelayShared& relay, MidiSystem& chosen) {
    chosen = asked.value_or(MidiSystem::Jack);
    std::unique_ptr<MidiBackend> backend = makeLinuxBackend(chosen, relay);
    if (asked || backend->serviceAvailable()) {
        return backend;
    }
    std::unique_ptr<MidiBackend> alsa = makeLinuxBackend(MidiSystem::Alsa, relay);
    if (!alsa->serviceAvailable()) {
        return backend; // neither: JACK looks for its server now and then
    }
    chosen = MidiSystem::Alsa;
    return alsa;
}

} // namespace moxel
