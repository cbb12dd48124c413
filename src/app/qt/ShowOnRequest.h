#pragma once

#include <functional>
#include <string>

#include <QObject>

namespace moxel {

// Listens on the running Moxel's local socket: a second start connects and
// asks for the window (askRunningInstanceToShow), and show runs on the UI
// thread, once per request. Only the single running instance listens, so a
// socket file a crash left behind is replaced; the socket is the user's alone
// and its file goes when this does.
class ShowOnRequest : public QObject {
    Q_OBJECT
  public:
    ShowOnRequest(const std::string& socketFile, std::function<void()> show,
                  QObject* parent = nullptr);
    ~ShowOnRequest() override;
    ShowOnRequest(const ShowOnRequest&) = delete;
    ShowOnRequest& operator=(const ShowOnRequest&) = delete;

    // Whether requests can reach this instance.
    bool listening() const { return listener_ >= 0; }

  private:
    void takeRequests();

    std::string socketFile_;
    std::function<void()> show_;
    int listener_ = -1;
};

} // namespace moxel
