#include "app/qt/RequestNotifier.h"

#include <utility>

#include <QSocketNotifier>

namespace moxel {

RequestNotifier::RequestNotifier(const std::string& socketFile,
                                 std::function<void(const InstanceRequest&)> carryOut,
                                 QObject* parent)
    : QObject(parent), listener_(socketFile), carryOut_(std::move(carryOut)) {
    if (!listener_.listening()) {
        return;
    }
    auto* notifier = new QSocketNotifier(listener_.descriptor(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] { listener_.serve(carryOut_); });
}

} // namespace moxel
