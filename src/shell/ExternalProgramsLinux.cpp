#include "shell/ExternalPrograms.h"

#include <array>

namespace moxel {

namespace {

// A mixer of its own, else ALSA's mixer in a terminal.
const std::array<Launch, 4> kVolumeControls = {{
    {"pavucontrol", {}},
    {"pavucontrol-qt", {}},
    {"x-terminal-emulator", {"-e", "alsamixer"}},
    {"xterm", {"-e", "alsamixer"}},
}};

// The JACK / PipeWire control programs.
const std::array<Launch, 4> kMultimediaSettings = {{
    {"qjackctl", {}},
    {"qpwgraph", {}},
    {"helvum", {}},
    {"cadence", {}},
}};

} // namespace

std::span<const Launch> volumeControls() {
    return kVolumeControls;
}

std::span<const Launch> multimediaSettings() {
    return kMultimediaSettings;
}

} // namespace moxel
