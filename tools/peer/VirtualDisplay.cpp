#include "peer/VirtualDisplay.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace moxel::test {

VirtualDisplay::VirtualDisplay() {
    int ready[2];
    if (::pipe(ready) != 0) {
        return;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::dup2(ready[1], 3); // Xvfb writes its number there once it takes clients
        ::execlp("Xvfb", "Xvfb", "-displayfd", "3", "-nolisten", "tcp", nullptr);
        ::_exit(127);
    }
    ::close(ready[1]);
    FILE* numbers = ::fdopen(ready[0], "r");
    int number = -1;
    running_ = std::fscanf(numbers, "%d", &number) == 1;
    std::fclose(numbers);
    if (running_) {
        ::setenv("DISPLAY", (":" + std::to_string(number)).c_str(), 1);
    }
}

VirtualDisplay::~VirtualDisplay() {
    stop();
}

void VirtualDisplay::stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    running_ = false;
}

} // namespace moxel::test
