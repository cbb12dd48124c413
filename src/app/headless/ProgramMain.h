#pragma once

#include <functional>

#include "app/headless/ProgramStart.h"
#include "app/platform/CommandLine.h"

namespace moxel {

// The window, given the command line and the one-instance check; its exit
// status.
using WindowRun = std::function<int(const CommandLine&, const OneInstance&)>;

// The Linux program's main(), with a window or without: --help, --version
// and a command line it cannot take are answered, the language is chosen,
// --list lists, --panic and --program go to the running Moxel, a second
// start talks to the running one, --headless runs
// without a window, and only then does window (empty in a program built
// without one, which then runs as with --headless and says so) show the
// window. The exit status.
int programMain(int argc, char* argv[], const WindowRun& window);

} // namespace moxel
