#pragma once

#include <chrono>
#include <string>

namespace moxel {

// A second start asks the running Moxel to show its window (out of the
// notification area, in front) over a local socket of the user's,
// "moxel.socket" in the instance folder (InstanceFolder.h). Each connection
// is one request; the running Moxel answers it and closes it. POSIX systems;
// on Windows the window is found by its class instead.

// The second start's side: true once the running Moxel answered. It waits up
// to limit in all, also for a socket that is not there yet (the running Moxel
// opens it once its window is up); false when nobody answered by then (the
// running Moxel is stopped or hung, or does not listen).
bool askRunningInstanceToShow(const std::string& socketFile, std::chrono::milliseconds limit);

// The running Moxel's side: a listening socket that never blocks, the user's
// alone (mode 0600). Only the single running instance listens, so a socket
// file a crash left behind is replaced; the file goes when this does.
class ShowRequestListener {
  public:
    explicit ShowRequestListener(std::string socketFile);
    ~ShowRequestListener();
    ShowRequestListener(const ShowRequestListener&) = delete;
    ShowRequestListener& operator=(const ShowRequestListener&) = delete;

    // Whether requests can reach this instance.
    bool listening() const { return listener_ >= 0; }
    // The socket to watch for requests; -1 when not listening.
    int descriptor() const { return listener_; }
    // Takes and answers the requests that have come; how many.
    int takeRequests();

  private:
    std::string socketFile_;
    int listener_ = -1;
};

} // namespace moxel
