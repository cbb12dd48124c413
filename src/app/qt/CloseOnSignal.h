#pragma once

#include <functional>

#include <QObject>

class QSocketNotifier;

namespace moxel {

// Turns SIGTERM and SIGINT into an ordinary close request on the UI thread,
// so a service manager or Ctrl+C shuts Moxel down in order.
class CloseOnSignal : public QObject {
    Q_OBJECT
  public:
    // Installs the handlers and lets the signals through again.
    explicit CloseOnSignal(std::function<void()> onSignal, QObject* parent = nullptr);
    ~CloseOnSignal() override;

    // Call first thing in main(): holds SIGTERM and SIGINT back (also for
    // every thread started later) until a CloseOnSignal takes them, so a
    // signal during start-up is not fatal but a close request.
    static void holdSignals();

  private:
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace moxel
