#pragma once

#include <string>

#include <jack/jack.h>

#include "app/platform/SingleInstance.h"
#include "peer/JackPeer.h"
#include "peer/MoxelProcess.h"
#include "support/TempDir.h"

namespace moxel::test {

using namespace std::chrono_literals;

// Whether the program has its window; a program built without one runs as
// with --headless.
inline constexpr bool kWindow = MOXEL_WINDOW;

// The built program as a process (see MoxelProcess).
class Program : public MoxelProcess {
  public:
    Program() : MoxelProcess(std::string(MOXEL_BINARY_DIR) + "/moxel") {}

    // Some process holds the single-instance lock.
    bool locked() const {
        return waitUntil(
            [&] {
                return std::filesystem::exists(lockFile()) &&
                       !SingleInstance(lockFile().string()).acquired();
            },
            20s);
    }
};

// Whether a peer's port is connected to anything (to Moxel, in these tests).
inline bool connectedAnywhere(const JackPeer& peer, const std::string& port) {
    jack_port_t* p = jack_port_by_name(peer.client(), port.c_str());
    return p != nullptr && jack_port_connected(p) > 0;
}

} // namespace moxel::test
