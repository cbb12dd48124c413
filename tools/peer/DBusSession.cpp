#include "peer/DBusSession.h"

#include <cstdlib>

namespace moxel::test {

DBusSession::DBusSession()
    : daemon_({"dbus-daemon", "--session", "--nofork", "--print-address=3"}) {
    if (running()) {
        ::setenv("DBUS_SESSION_BUS_ADDRESS", daemon_.readyLine()->c_str(), 1);
    }
}

} // namespace moxel::test
