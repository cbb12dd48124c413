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

// The window itself, its controls, and the pop-up windows they open (the
// open list of a drop-down list is a window of its own).
bool KeypadKeyFilter::belongsToWindow(const QWidget* widget) const {
    for (const QWidget* top = widget->window(); top != nullptr;
         top = top->parentWidget() != nullptr ? top->parentWidget()->window() : nullptr) {
        if (top == window_) {
            return true;
        }
    }
    return false;
}

bool KeypadKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) {
        return false;
    }
    auto* widget = static_cast<QWidget*>(watched);
    if (!belongsToWindow(widget)) {
        return false;
    }
    // A key the focused control leaves alone travels on to its parents and
    // passes this filter again; only its first receiver counts. That is the
    // focus widget of the window the key went to (the main window, or the open
    // list of one of its drop-down lists), or that window itself.
    QWidget* top = widget->window();
    if (widget != (top->focusWidget() != nullptr ? top->focusWidget() : top)) {
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
