#pragma once

#include <span>
#include <string>
#include <vector>

namespace moxel {

// A program the menu can start, with its arguments.
struct Launch {
    const char* program;
    std::vector<std::string> args;
};

// The system's volume control and its multimedia (MIDI and audio) settings:
// the candidates in order of preference; the first one installed is started.
std::span<const Launch> volumeControls();
std::span<const Launch> multimediaSettings();

} // namespace moxel
