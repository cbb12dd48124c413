#pragma once

#include <functional>

#include <QObject>

class QSocketNotifier;

namespace moxel {

// Turns SIGTERM, SIGINT and SIGHUP into an ordinary close request on the UI
// thread, so a service manager, a logout, Ctrl+C or the closing of the
// terminal Moxel was started from shuts Moxel down in order. A hangup or an
// interrupt that was ignored when Moxel started (nohup) stays ignored, and a
// write to a broken pipe no longer ends the program.
//
// The signals are never blocked: libjack saves the signal mask it finds at
// its first client open and puts it back on every later open and close, so a
// mask held during start-up would outlive it. Instead the handler is
// installed first thing and only writes a byte into a socket pair; a signal
// that comes before the window can act waits there.
class CloseOnSignal : public QObject {
    Q_OBJECT
  public:
    // Call first thing in main(), before any thread is started.
    static void installHandlers();

    // From now on a signal (also one that came earlier) calls onSignal on the
    // UI thread.
    explicit CloseOnSignal(std::function<void()> onSignal, QObject* parent = nullptr);
    ~CloseOnSignal() override;

  private:
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace moxel
