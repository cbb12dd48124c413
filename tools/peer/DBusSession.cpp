#include "peer/DBusSession.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace moxel::test {

DBusSession::DBusSession() {
    int ready[2];
    if (::pipe(ready) != 0) {
        return;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::dup2(ready[1], 3); // the daemon writes its address there once it takes clients
        ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--print-address=3",
                 nullptr);
        ::_exit(127);
    }
    ::close(ready[1]);
    FILE* out = ::fdopen(ready[0], "r");
    char address[512] = {};
    running_ = std::fgets(address, sizeof address, out) != nullptr;
    std::fclose(out);
    if (running_) {
        std::string bus(address);
        bus.erase(bus.find_last_not_of('\n') + 1);
        ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
    }
}

DBusSession::~DBusSession() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

} // namespace moxel::test
