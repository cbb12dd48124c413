#pragma once

// Windows only: what the capability records say about a device.

#include "midi/MidiBackend.h"
#include "midi/backends/winmm/WinmmApi.h"

namespace moxel::midi {

// The name (UTF-8, from the record's UTF-16 name) or why it could not be
// read: MMSYSERR_ALLOCATED is "another application holds the device".
DeviceCaps winmmInputCaps(const WinmmApi& api, int id);
DeviceCaps winmmOutputCaps(const WinmmApi& api, int id);

// A result of midiInOpen or midiOutOpen as an OpenResult.
OpenResult winmmOpenResult(MMRESULT result);

} // namespace moxel::midi
