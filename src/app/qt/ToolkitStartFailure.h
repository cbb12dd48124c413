#pragma once

#include <QtGlobal>

namespace moxel {

// The toolkit gives up when it cannot reach the display (DISPLAY or
// WAYLAND_DISPLAY naming one that is not there, an unknown -platform): it
// prints its own lines and aborts. While the toolkit starts, this holds its
// messages back; if it gives up, the program ends instead with one line of
// its own on the error output ("moxel: cannot show the window: <the
// toolkit's first reason>") and the exit status given. Once the toolkit has
// started, the messages held back are passed on as they would have been.
class ToolkitStartFailure {
  public:
    // Make one right before the QApplication.
    explicit ToolkitStartFailure(int exitStatus);
    ~ToolkitStartFailure();
    ToolkitStartFailure(const ToolkitStartFailure&) = delete;
    ToolkitStartFailure& operator=(const ToolkitStartFailure&) = delete;

    // The toolkit has started: its messages go their usual way again.
    void started();

  private:
    QtMessageHandler previous_ = nullptr;
    bool watching_ = false;
};

} // namespace moxel
