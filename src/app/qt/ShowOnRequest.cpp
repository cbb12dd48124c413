#include "app/qt/ShowOnRequest.h"

#include <utility>

#include <QSocketNotifier>

namespace moxel {

ShowOnRequest::ShowOnRequest(const std::string& socketFile, std::function<void()> show,
                             QObject* parent)
    : QObject(parent), listener_(socketFile), show_(std::move(show)) {
    if (!listener_.listening()) {
        return;
    }
    auto* notifier = new QSocketNotifier(listener_.descriptor(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        for (int requests = listener_.takeRequests(); requests > 0; --requests) {
            show_();
        }
    });
}

} // namespace moxel
