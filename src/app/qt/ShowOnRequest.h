#pragma once

#include <functional>
#include <string>

#include <QObject>

class QLocalServer;

namespace moxel {

// Listens on the running Moxel's local socket: a second start connects and
// asks for the window (askRunningInstanceToShow), and show runs on the UI
// thread. Only the single running instance listens, so a socket file a
// crash left behind is replaced.
class ShowOnRequest : public QObject {
    Q_OBJECT
  public:
    ShowOnRequest(const std::string& socketFile, std::function<void()> show,
                  QObject* parent = nullptr);

  private:
    QLocalServer* server_ = nullptr;
    std::function<void()> show_;
};

} // namespace moxel
