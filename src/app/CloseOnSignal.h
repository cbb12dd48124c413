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
    explicit CloseOnSignal(std::function<void()> onSignal, QObject* parent = nullptr);
    ~CloseOnSignal() override;

  private:
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace moxel
