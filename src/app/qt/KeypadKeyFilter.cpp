#include "app/qt/KeypadKeyFilter.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

#include "app/window/MainWindowEvents.h"

namespace moxel {

KeypadKeyFilter::KeypadKeyFilter(QWidget* window, std::function<void(int)> onKeyDown)
    : QObject(window), window_(window), onKeyDown_(std::move(onKeyDown)) {
    QCoreApplication::instance()->installEventFilter(this);
}

// The window itself, its controls, and the open list of one of its drop-down
// lists (a window of its own, whose parent is the list). The boxes and menus
// the window opens are windows of their own too, but not the main window: the
// keys typed there are theirs.
bool KeypadKeyFilter::belongsToWindow(const QWidget* widget) const {
    const QWidget* top = widget->window();
    if (top == window_) {
        return true;
    }
    const auto* list = qobject_cast<const QComboBox*>(top->parentWidget());
    return list != nullptr && list->window() == window_;
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
