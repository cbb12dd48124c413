#pragma once

#include <functional>
#include <thread>

namespace moxel {

// The toolkit ends the program with exit() when it loses its display (the X
// server or the Wayland compositor went away, as at the end of a desktop
// session), without closing the window first. While one of these lives, such
// an exit from the thread that made it first runs the close it was given, so
// the devices are closed in order as on any other ending.
class CloseOnExit {
  public:
    explicit CloseOnExit(std::function<void()> close);
    ~CloseOnExit();
    CloseOnExit(const CloseOnExit&) = delete;
    CloseOnExit& operator=(const CloseOnExit&) = delete;

    // Hooks the close into exit(), once; from any thread. Call it once the
    // libraries the close uses are loaded: exit() undoes what was registered
    // with it in reverse order, so their own exit work then comes after.
    static void hookIntoExit();

  private:
    static void runAtExit();

    std::function<void()> close_;
    std::thread::id thread_;
};

} // namespace moxel
