#pragma once

#include <sys/types.h>

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
    ~DBusSession();
    DBusSession(const DBusSession&) = delete;
    DBusSession& operator=(const DBusSession&) = delete;

    bool running() const { return running_; }

  private:
    pid_t pid_ = -1;
    bool running_ = false;
};

} // namespace moxel::test
