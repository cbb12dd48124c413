#pragma once

#include <functional>

#include <QObject>

#include "app/platform/EndingSignals.h"

class QSocketNotifier;

namespace moxel {

// Turns SIGTERM, SIGINT and SIGHUP (EndingSignals) into an ordinary close
// request on the UI thread, so they shut Moxel down in order.
class CloseOnSignal : public QObject {
    Q_OBJECT
  public:
    // From now on a signal (also one that came earlier) calls onSignal on the
    // UI thread.
    explicit CloseOnSignal(std::function<void()> onSignal, QObject* parent = nullptr);

  private:
    EndingSignals signals_;
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace moxel
