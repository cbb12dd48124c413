#include "app/qt/KeypadKeyFilter.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

#include "app/window/MainWindowEvents.h"

namespace moxel {

KeypadKeyFilter::KeypadKeyFilter(QWidget* window, std::function<void(int)> onKeyDown)
    : QObject(window), window_(window), onKeyDown_(std::move(onKeyDown)) {
    QCoreApplication::instance()->installEventFilter(this);
}

bool KeypadKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) {
        return false;
    }
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != window_) {
        return false;
    }
    // A key the focused control leaves alone travels on to its parents and
    // passes this filter again; only its first receiver counts. That is the
    // window's focus widget, or the window itself when nothing has the focus.
    QWidget* firstReceiver = window_->focusWidget();
    if (firstReceiver == nullptr) {
        firstReceiver = window_;
    }
    if (widget != firstReceiver) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!key->modifiers().testFlag(Qt::KeypadModifier)) {
        return false; // the main keyboard's plus and minus do nothing
    }
    if (key->key() == Qt::Key_Plus) {
        onKeyDown_(vkAdd);
    } else if (key->key() == Qt::Key_Minus) {
        onKeyDown_(vkSubtract);
    }
    return false; // the focused control still gets the key
}

} // namespace moxel
