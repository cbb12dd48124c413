#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/window/InstanceRequest.h"

namespace moxel {

// Another start asks the running Moxel over a local socket of the user's,
// "moxel.socket" in the instance folder (InstanceFolder.h). Each connection
// is one request: the asking side binds its socket to an address of its own,
// sends the request's line and waits for the answer, "ok " and the line
// itself once the request was carried out, "refused" for anything else.
// A peer with no address of its own is a second start of an earlier Moxel,
// which sends nothing: it asks to show the window and is answered "ok" at
// once. POSIX systems; on Windows the window is found by its class instead.

enum class RequestAnswer {
    Taken,         // carried out
    Refused,       // the running Moxel did not take it
    NotUnderstood, // an earlier Moxel, which only shows its window, answered
    None,          // nobody answered within the limit
    NobodyListens, // no Moxel runs
};

// The asking side. It waits up to limit in all, also for a socket that is not
// there yet (the running Moxel opens it once its window is up) as long as
// mayListenLater(), asked each time nobody listens, says one may (none: as
// long as the limit lasts).
RequestAnswer askRunningInstance(const std::string& socketFile, const InstanceRequest& request,
                                 std::chrono::milliseconds limit,
                                 const std::function<bool()>& mayListenLater = {});

// The running Moxel's side: a listening socket, the user's alone (mode 0600),
// and the connections that have not yet said their request, all watched
// through one descriptor; nothing blocks. Only the single running instance
// listens, so a socket file a crash left behind is replaced; the file goes
// when this does. A connection has its request's line within a second, else
// it is refused; at most a few wait at a time, and while they do no more
// are taken.
class InstanceRequestListener {
  public:
    explicit InstanceRequestListener(std::string socketFile);
    ~InstanceRequestListener();
    InstanceRequestListener(const InstanceRequestListener&) = delete;
    InstanceRequestListener& operator=(const InstanceRequestListener&) = delete;

    // Whether requests can reach this instance.
    bool listening() const { return events_ >= 0; }
    // The descriptor to watch: readable while serve() has work; -1 when not
    // listening.
    int descriptor() const { return events_; }
    // Takes what has come: carries out each request that is whole (carryOut,
    // on the calling thread), then answers it; refuses what is no request,
    // too long, or late.
    void serve(const std::function<void(const InstanceRequest&)>& carryOut);

  private:
    struct Waiting {
        int fd = -1;
        std::string received;
        std::chrono::steady_clock::time_point deadline;
    };

    void acceptWaiting(const std::function<void(const InstanceRequest&)>& carryOut);
    // Whether the connection is done with (answered, or gone).
    bool read(Waiting& waiting, const std::function<void(const InstanceRequest&)>& carryOut);
    void watchListener(bool watch);
    void armTimer();

    std::string socketFile_;
    int listener_ = -1;
    int timer_ = -1;  // the next deadline of a waiting connection
    int events_ = -1; // epoll over the listener, the timer and the waiting
    bool listenerWatched_ = false;
    bool serving_ = false;
    std::vector<Waiting> waiting_;
};

} // namespace moxel
