#pragma once

#include <functional>
#include <string>

#include <QObject>

#include "app/platform/InstanceRequests.h"

namespace moxel {

// Hears other starts' requests on the running Moxel's local socket
// (InstanceRequestListener) and carries each out on the UI thread.
class RequestNotifier : public QObject {
    Q_OBJECT
  public:
    RequestNotifier(const std::string& socketFile,
                    std::function<void(const InstanceRequest&)> carryOut,
                    QObject* parent = nullptr);

    // Whether requests can reach this instance.
    bool listening() const { return listener_.listening(); }

  private:
    InstanceRequestListener listener_;
    std::function<void(const InstanceRequest&)> carryOut_;
};

} // namespace moxel
