#include "midi/systems/BuiltInMidiSystems.h"

#include <array>

#if MOXEL_WITH_JACK
#include "midi/backends/jack/JackBackend.h"
#endif
#if MOXEL_WITH_ALSA
#include "midi/backends/alsa/AlsaBackend.h"
#endif
#if MOXEL_WITH_WINMM
#include "midi/backends/winmm/WinmmBackend.h"
#endif

namespace moxel::midi {

namespace {

template <class Backend> std::unique_ptr<MidiBackend> make(RelayShared& relay) {
    return std::make_unique<Backend>(relay);
}

constexpr std::array kSystems = {
#if MOXEL_WITH_JACK
    MidiSystem{"jack", "MIDIシステム: JACK", "MIDI system: JACK",
               "JACK (or PipeWire's JACK service)", "",
               [](RelayShared& relay) {
                   // No "cannot connect" lines at every search while no server runs.
                   JackBackend::quietLibraryMessages();
                   return make<JackBackend>(relay);
               }},
#endif
#if MOXEL_WITH_ALSA
    MidiSystem{"alsa", "MIDIシステム: ALSA", "MIDI system: ALSA", "the ALSA sequencer", "Alsa",
               &make<AlsaBackend>},
#endif
#if MOXEL_WITH_WINMM
    // The only one of its program: never offered in the menu.
    MidiSystem{"winmm", "", "", "the Windows multimedia service", "", &make<WinmmBackend>},
#endif
};

} // namespace

MidiSystems builtInMidiSystems() {
    return kSystems;
}

} // namespace moxel::midi
