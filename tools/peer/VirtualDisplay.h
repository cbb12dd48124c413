#pragma once

#include "peer/ReadyProcess.h"

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

    bool running() const { return server_.readyLine().has_value(); }
    // Ends the X server now, as at the end of a desktop session.
    void stop() { server_.stop(); }

  private:
    ReadyProcess server_;
};

} // namespace moxel::test
