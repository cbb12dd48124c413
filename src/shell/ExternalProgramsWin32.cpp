#include "shell/ExternalPrograms.h"

#include <array>

namespace moxel {

namespace {

// The volume mixer of Windows Vista and later, else the one before it.
const std::array<Launch, 2> kVolumeControls = {{
    {"sndvol.exe", {}},
    {"sndvol32.exe", {}},
}};

// The Sound control panel.
const std::array<Launch, 1> kMultimediaSettings = {{
    {"rundll32.exe", {"shell32.dll,Control_RunDLL", "mmsys.cpl"}},
}};

} // namespace

std::span<const Launch> volumeControls() {
    return kVolumeControls;
}

std::span<const Launch> multimediaSettings() {
    return kMultimediaSettings;
}

} // namespace moxel
