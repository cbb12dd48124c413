#pragma once

#include "peer/ReadyProcess.h"

namespace moxel::test {

// A D-Bus session bus of a test's own (dbus-daemon --session):
// DBUS_SESSION_BUS_ADDRESS names it once it takes clients (for this process
// and what it starts from then on). The services it starts on demand (such
// as AT-SPI's bus) end with it. Nothing where dbus-daemon is not installed.
//
//   moxel::test::DBusSession session;
//   ASSERT_TRUE(session.running());
class DBusSession {
  public:
    DBusSession();

    bool running() const { return daemon_.readyLine().has_value(); }

  private:
    ReadyProcess daemon_;
};

} // namespace moxel::test
