#include "midi/backends/winmm/WinmmApi.h"

namespace moxel::midi {

const WinmmApi& systemWinmm() {
    static const WinmmApi api{
        midiInGetNumDevs,
        midiInGetDevCapsW,
        midiInOpen,
        midiInStart,
        midiInStop,
        midiInReset,
        midiInClose,
        midiInPrepareHeader,
        midiInUnprepareHeader,
        midiInAddBuffer,
        midiOutGetNumDevs,
        midiOutGetDevCapsW,
        midiOutOpen,
        midiOutShortMsg,
        midiOutLongMsg,
        midiOutPrepareHeader,
        midiOutUnprepareHeader,
        midiOutReset,
        midiOutClose,
        midiInGetID,
        midiOutGetID,
    };
    return api;
}

} // namespace moxel::midi
