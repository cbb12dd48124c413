#pragma once

#include <sys/types.h>

namespace moxel::test {

// A virtual X display (Xvfb) for a test: DISPLAY names it once it takes
// clients (for this process and what it starts from then on). Nothing where
// Xvfb is not installed. It ends with the object, or with the process.
//
//   moxel::test::VirtualDisplay display;
//   if (!display.running()) GTEST_SKIP() << "no Xvfb";
class VirtualDisplay {
  public:
    VirtualDisplay();
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    bool running() const { return running_; }
    // Ends the X server now, as at the end of a desktop session.
    void stop();

  private:
    pid_t pid_ = -1;
    bool running_ = false;
};

} // namespace moxel::test
