#pragma once

#include <functional>
#include <string>

#include <QObject>

#include "app/platform/ShowRequests.h"

namespace moxel {

// Hears a second start's requests for the window on the running Moxel's
// local socket (ShowRequestListener) and runs show on the UI thread, once per
// request.
class ShowOnRequest : public QObject {
    Q_OBJECT
  public:
    ShowOnRequest(const std::string& socketFile, std::function<void()> show,
                  QObject* parent = nullptr);

    // Whether requests can reach this instance.
    bool listening() const { return listener_.listening(); }

  private:
    ShowRequestListener listener_;
    std::function<void()> show_;
};

} // namespace moxel
