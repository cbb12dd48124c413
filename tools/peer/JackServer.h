#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>

namespace moxel::test {

// A private JACK server for a test or a benchmark: `jackd --no-realtime -S -t
// 5000 -n <unique name> -d dummy -r 48000 -p <period>` (synchronous unless
// asked otherwise, so a late client delays a cycle rather than losing its
// data). The constructor starts
// it, points every JACK client this process opens afterwards at it
// (JACK_DEFAULT_SERVER) and waits until it accepts clients; the destructor
// stops it. The private servers of all processes on the machine run one at a
// time (a lock file in /tmp), since concurrent JACK servers of one user trip
// over each other's state in /dev/shm.
//
//   moxel::test::JackServer server;
//   ASSERT_TRUE(server.running()) << server.error();
class JackServer {
  public:
    struct Options {
        unsigned period = 64;
        unsigned rate = 48000;
        std::chrono::milliseconds startTimeout{10000};
        std::string name{}; // empty: a name not used before by this process
        // false: asynchronous, as jackd runs by default: a client that is
        // late misses its cycle instead of holding up the others.
        bool synchronous = true;
    };

    JackServer();
    explicit JackServer(Options options);
    ~JackServer();
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    // The server started and accepts clients.
    bool running() const noexcept { return running_; }
    // Why it is not running (empty when it is).
    const std::string& error() const noexcept { return error_; }
    const std::string& name() const noexcept { return name_; }
    unsigned period() const noexcept { return options_.period; }
    unsigned rate() const noexcept { return options_.rate; }
    // The server's process (for a test that stops it), -1 when none runs.
    pid_t pid() const noexcept { return pid_; }

    // Stops the server now (SIGTERM, then waits for it to exit); clients
    // still open see it go away. Safe to call twice.
    void stop();

    // Points JACK clients opened from now on at a server name that nobody
    // serves, so they find no server. Returns that name.
    static std::string pointClientsAtNoServer();

    // A server name not used before by this process.
    static std::string uniqueName();

  private:
    bool start();
    bool waitUntilReachable();

    Options options_;
    std::string name_;
    pid_t pid_ = -1;
    int lockFd_ = -1; // held while this server lives: one private server at a time
    bool running_ = false;
    std::string error_;
};

} // namespace moxel::test
