#pragma once

#include <string>

namespace moxel {

// A second start asks the running Moxel to show its window (out of the
// notification area, in front) over a local socket of the user's:
// runtimeFile("moxel.socket"). Each connection is one request; what it says
// does not matter. POSIX systems; on Windows the window is found by its
// class instead.

// The second start's side. False when nobody listens.
bool askRunningInstanceToShow(const std::string& socketFile);

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
    // Takes the requests that have come; how many.
    int takeRequests();

  private:
    std::string socketFile_;
    int listener_ = -1;
};

} // namespace moxel
