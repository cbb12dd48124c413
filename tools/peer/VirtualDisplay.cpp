#include "peer/VirtualDisplay.h"

#include <cstdlib>

namespace moxel::test {

VirtualDisplay::VirtualDisplay() : server_({"Xvfb", "-displayfd", "3", "-nolisten", "tcp"}) {
    if (running()) {
        ::setenv("DISPLAY", (":" + *server_.readyLine()).c_str(), 1);
    }
}

} // namespace moxel::test
