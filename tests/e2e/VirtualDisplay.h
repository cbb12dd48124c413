#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace moxel::test {

// A virtual X display (Xvfb) that DISPLAY names while it runs; nothing where
// Xvfb is not installed.
class VirtualDisplay {
  public:
    VirtualDisplay() {
        int ready[2];
        if (::pipe(ready) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(ready[1], 3);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "320x200x24", "-nolisten",
                     "tcp", nullptr);
            ::_exit(127);
        }
        ::close(ready[1]);
        // The display's number once it accepts clients; nothing if it fails.
        std::string number;
        pollfd wait{ready[0], POLLIN, 0};
        for (char c = 0; number.find('\n') == std::string::npos && ::poll(&wait, 1, 10000) == 1 &&
                         ::read(ready[0], &c, 1) == 1;) {
            number += c;
        }
        if (number.size() > 1 && number.back() == '\n') {
            number.pop_back();
            display_ = ":" + number;
            ::setenv("DISPLAY", display_.c_str(), 1);
        }
        ::close(ready[0]);
    }
    ~VirtualDisplay() { stop(); }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    bool running() const { return !display_.empty(); }
    // The X server ends, as at the end of a desktop session.
    void stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
            ::unsetenv("DISPLAY");
        }
    }

  private:
    pid_t pid_ = -1;
    std::string display_;
};

} // namespace moxel::test
