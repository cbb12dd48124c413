#include "peer/MoxelProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>

#include "peer/WaitUntil.h"

namespace moxel::test {

namespace fs = std::filesystem;

MoxelProcess::MoxelProcess(const fs::path& program) {
    std::string pattern = (fs::temp_directory_path() / "moxel-run-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a folder from " + pattern);
    }
    folder_ = pattern;
    fs::copy_file(program, folder_ / "moxel");
}

MoxelProcess::~MoxelProcess() {
    if (pid_ > 0 && !stop()) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    std::error_code error;
    fs::remove_all(folder_, error);
}

void MoxelProcess::writeSettings(const std::string& content) const {
    std::ofstream(folder_ / "setting.ini", std::ios::binary) << content;
}

pid_t MoxelProcess::start(const std::string& jackServer) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("QT_QPA_PLATFORM", platform_.c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
        ::setenv("JACK_DEFAULT_SERVER", jackServer.c_str(), 1);
        ::setenv("JACK_NO_START_SERVER", "1", 1);
        for (const auto& [name, value] : variables_) {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
        if (!errorOutput_.empty()) {
            const int fd = ::open(errorOutput_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            ::dup2(fd, STDERR_FILENO);
        }
        const std::string program = (folder_ / "moxel").string();
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& argument : arguments_) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    if (pid_ <= 0) {
        pid_ = pid;
    }
    return pid;
}

std::optional<int> MoxelProcess::exitStatus(pid_t pid, std::chrono::milliseconds limit) {
    std::optional<int> status;
    waitUntil(
        [&] {
            int raw = 0;
            if (::waitpid(pid, &raw, WNOHANG) == pid) {
                status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            }
            return status.has_value();
        },
        limit);
    return status;
}

std::optional<int> MoxelProcess::stop(int signal, std::chrono::milliseconds limit) {
    if (pid_ <= 0) {
        return std::nullopt; // kill(-1) would signal every process of the user
    }
    ::kill(pid_, signal);
    const std::optional<int> status = exitStatus(pid_, limit);
    pid_ = status ? -1 : pid_;
    return status;
}

bool MoxelProcess::running() const {
    return pid_ > 0 && !exitStatus(pid_, std::chrono::milliseconds(0)).has_value();
}

} // namespace moxel::test
