#include "peer/JackServer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <utility>
#include <vector>

#include <jack/jack.h>

namespace moxel::test {

namespace {

void pause(std::chrono::milliseconds interval) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(interval.count() / 1000);
    ts.tv_nsec = static_cast<long>((interval.count() % 1000) * 1000000);
    nanosleep(&ts, nullptr);
}

// Waits up to timeout for the child to exit; true when it has been reaped.
bool reap(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR)) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        pause(std::chrono::milliseconds(5));
    }
}

// JACK servers of one user share state in /dev/shm (the shared memory
// registry, the metadata database). Servers starting and stopping at the same
// moment make client opens fail now and then, and after a failed open libjack
// drops every other client of the process. So the private servers of all test
// processes on this machine take turns: each holds this lock while it lives.
int takeServerLock(std::chrono::milliseconds timeout) {
    const std::string path = "/tmp/moxel-jack-test-server-" + std::to_string(getuid()) + ".lock";
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            close(fd);
            return -1;
        }
        pause(std::chrono::milliseconds(10));
    }
    return fd;
}

// Semaphores and segments that the clients of a stopped server left behind.
void removeLeftovers(const std::string& name) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", ec)) {
        const std::string file = entry.path().filename().string();
        if (file.find("_" + name + "_") != std::string::npos) {
            std::filesystem::remove(entry.path(), ec);
        }
    }
}

} // namespace

std::string JackServer::uniqueName() {
    static std::atomic<unsigned> counter{0};
    return "moxel-test-" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1));
}

std::string JackServer::pointClientsAtNoServer() {
    std::string name = uniqueName() + "-none";
    setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
    return name;
}

JackServer::JackServer() : JackServer(Options{}) {}

JackServer::JackServer(Options options)
    : options_(std::move(options)), name_(options_.name.empty() ? uniqueName() : options_.name) {
    running_ = start() && waitUntilReachable();
    if (!running_) {
        stop();
    }
}

JackServer::~JackServer() {
    stop();
}

bool JackServer::start() {
    lockFd_ = takeServerLock(std::chrono::milliseconds(120000));
    if (lockFd_ < 0) {
        error_ = "another test's JACK server did not finish in time";
        return false;
    }
    // Clients opened by this process from now on talk to this server.
    setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
    setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);

    const std::string rate = std::to_string(options_.rate);
    const std::string period = std::to_string(options_.period);
    // Synchronous mode (-S): without real-time scheduling a client can be
    // late on a busy machine; the server then waits for it instead of
    // running the next cycle without it, so no test event is dropped.
    std::vector<const char*> argv = {"jackd", "--no-realtime", "-t", "5000", "-n", name_.c_str()};
    if (options_.synchronous) {
        argv.push_back("-S");
    }
    for (const char* driver : {"-d", "dummy", "-r", rate.c_str(), "-p", period.c_str()}) {
        argv.push_back(driver);
    }
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        error_ = "fork failed";
        return false;
    }
    if (pid == 0) {
        // Only async-signal-safe calls until exec. The server dies with the
        // test process even if the test crashes.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
        const int devnull = open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            dup2(devnull, STDOUT_FILENO);
            dup2(devnull, STDERR_FILENO);
        }
        execvp("jackd", const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    pid_ = pid;
    return true;
}

bool JackServer::waitUntilReachable() {
    const auto deadline = std::chrono::steady_clock::now() + options_.startTimeout;
    for (;;) {
        jack_status_t status{};
        jack_client_t* probe = jack_client_open("moxel-test-probe", JackNoStartServer, &status);
        if (probe != nullptr) {
            jack_client_close(probe);
            return true;
        }
        int exitStatus = 0;
        if (waitpid(pid_, &exitStatus, WNOHANG) == pid_) {
            pid_ = -1;
            error_ = "jackd exited while starting (is jackd installed?)";
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            error_ = "jackd did not accept clients before the deadline";
            return false;
        }
        pause(std::chrono::milliseconds(20));
    }
}

void JackServer::stop() {
    running_ = false;
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        if (!reap(pid_, std::chrono::milliseconds(5000))) {
            kill(pid_, SIGKILL);
            reap(pid_, std::chrono::milliseconds(5000));
        }
        pid_ = -1;
        removeLeftovers(name_);
    }
    if (lockFd_ >= 0) {
        close(lockFd_); // releases the lock
        lockFd_ = -1;
    }
}

} // namespace moxel::test
