#include "peer/ReadyProcess.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace moxel::test {

ReadyProcess::ReadyProcess(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    argv.reserve(command.size() + 1);
    for (const std::string& word : command) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    int ready[2];
    if (command.empty() || ::pipe(ready) != 0) {
        return;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::dup2(ready[1], 3);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(ready[1]);
    FILE* out = ::fdopen(ready[0], "r");
    char line[512] = {};
    if (std::fgets(line, sizeof line, out) != nullptr) {
        line_ = line;
        line_->erase(line_->find_last_not_of('\n') + 1);
    }
    std::fclose(out);
}

ReadyProcess::~ReadyProcess() {
    stop();
}

void ReadyProcess::stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    line_.reset();
}

} // namespace moxel::test
