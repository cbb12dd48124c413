#include "app/qt/CloseOnSignal.h"

#include <utility>

#include <QSocketNotifier>

namespace moxel {

CloseOnSignal::CloseOnSignal(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (signals_.descriptor() < 0) {
        return;
    }
    notifier_ = new QSocketNotifier(signals_.descriptor(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        signals_.take();
        if (onSignal_) {
            onSignal_();
        }
    });
}

} // namespace moxel
