#pragma once

// Windows only: the multimedia service's MIDI calls that the backend makes,
// as a table of function pointers. The program fills it with the system's
// functions; tests fill it with scripted ones.

#include <windows.h>

#include <mmsystem.h>

namespace moxel::midi {

struct WinmmApi {
    UINT(WINAPI* midiInGetNumDevs)();
    MMRESULT(WINAPI* midiInGetDevCapsW)(UINT_PTR, LPMIDIINCAPSW, UINT);
    MMRESULT(WINAPI* midiInOpen)(LPHMIDIIN, UINT, DWORD_PTR, DWORD_PTR, DWORD);
    MMRESULT(WINAPI* midiInStart)(HMIDIIN);
    MMRESULT(WINAPI* midiInStop)(HMIDIIN);
    MMRESULT(WINAPI* midiInReset)(HMIDIIN);
    MMRESULT(WINAPI* midiInClose)(HMIDIIN);
    MMRESULT(WINAPI* midiInPrepareHeader)(HMIDIIN, LPMIDIHDR, UINT);
    MMRESULT(WINAPI* midiInUnprepareHeader)(HMIDIIN, LPMIDIHDR, UINT);
    MMRESULT(WINAPI* midiInAddBuffer)(HMIDIIN, LPMIDIHDR, UINT);

    UINT(WINAPI* midiOutGetNumDevs)();
    MMRESULT(WINAPI* midiOutGetDevCapsW)(UINT_PTR, LPMIDIOUTCAPSW, UINT);
    MMRESULT(WINAPI* midiOutOpen)(LPHMIDIOUT, UINT, DWORD_PTR, DWORD_PTR, DWORD);
    MMRESULT(WINAPI* midiOutShortMsg)(HMIDIOUT, DWORD);
    MMRESULT(WINAPI* midiOutLongMsg)(HMIDIOUT, LPMIDIHDR, UINT);
    MMRESULT(WINAPI* midiOutPrepareHeader)(HMIDIOUT, LPMIDIHDR, UINT);
    MMRESULT(WINAPI* midiOutUnprepareHeader)(HMIDIOUT, LPMIDIHDR, UINT);
    MMRESULT(WINAPI* midiOutReset)(HMIDIOUT);
    MMRESULT(WINAPI* midiOutClose)(HMIDIOUT);

    // Fail once the handle's device is gone (unplugged), even when a device
    // of its name is back.
    MMRESULT(WINAPI* midiInGetID)(HMIDIIN, LPUINT);
    MMRESULT(WINAPI* midiOutGetID)(HMIDIOUT, LPUINT);
};

// The system's own winmm.dll.
const WinmmApi& systemWinmm();

} // namespace moxel::midi
