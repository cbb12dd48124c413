#include "app/qt/WindowKeyFilter.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>

namespace moxel {

namespace {

// The open list of a drop-down list: a window of its own, whose parent is the
// list (as is a tooltip's).
const QComboBox* openListOwner(const QWidget* top) {
    const auto* list = qobject_cast<const QComboBox*>(top->parentWidget());
    return list != nullptr && list->view()->window() == top ? list : nullptr;
}

} // namespace

WindowKeyFilter::WindowKeyFilter(QWidget* window,
                                 std::function<void(WindowKey key, bool repeat)> onKey,
                                 std::function<void()> onClosed)
    : QObject(window), window_(window), onKey_(std::move(onKey)), onClosed_(std::move(onClosed)) {
    QCoreApplication::instance()->installEventFilter(this);
}

// The window itself, its controls, and the open list of one of its drop-down
// lists. The boxes and menus the window opens are windows of their own too,
// but not the main window: the keys typed there are theirs.
bool WindowKeyFilter::belongsToWindow(const QWidget* widget) const {
    const QWidget* top = widget->window();
    if (top == window_) {
        return true;
    }
    const QComboBox* list = openListOwner(top);
    return list != nullptr && list->window() == window_;
}

// A menu, a box, or the open list of one of the window's drop-down lists;
// not a tooltip, which comes and goes by itself.
bool WindowKeyFilter::isPopupOfWindow(const QWidget* widget) const {
    return widget->isWindow() && widget != window_ &&
           (qobject_cast<const QMenu*>(widget) != nullptr ||
            qobject_cast<const QDialog*>(widget) != nullptr || belongsToWindow(widget));
}

std::optional<WindowKey> WindowKeyFilter::windowKeyOf(const QKeyEvent& key, bool inOpenList) {
    const Qt::KeyboardModifiers modifiers = key.modifiers();
    if (modifiers.testFlag(Qt::KeypadModifier)) { // the main keyboard's plus and minus do nothing
        if (key.key() == Qt::Key_Plus) {
            return WindowKey::PatchUp;
        }
        if (key.key() == Qt::Key_Minus) {
            return WindowKey::PatchDown;
        }
    }
    if (inOpenList) {
        return std::nullopt;
    }
    const Qt::KeyboardModifiers held = modifiers & ~Qt::KeypadModifier;
    if (key.key() == Qt::Key_Escape && held == Qt::NoModifier) {
        return WindowKey::AllSoundOff;
    }
    if (key.key() == Qt::Key_F2 && held == Qt::NoModifier) {
        return WindowKey::PatchBox;
    }
    if ((key.key() == Qt::Key_Menu && held == Qt::NoModifier) ||
        (key.key() == Qt::Key_F10 && held == Qt::ShiftModifier)) {
        return WindowKey::Menu;
    }
    return std::nullopt;
}

bool WindowKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType()) {
        return false;
    }
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::KeyPress:
        return keyPressed(widget, *static_cast<QKeyEvent*>(event));
    case QEvent::KeyRelease: { // wherever it goes: a key held in a menu repeats in the window
        const auto* key = static_cast<QKeyEvent*>(event);
        repeats_.released(key->key(), key->timestamp());
        return false;
    }
    case QEvent::Hide:
        if (isPopupOfWindow(widget)) {
            onClosed_();
        }
        return false;
    default:
        return false;
    }
}

bool WindowKeyFilter::keyPressed(QWidget* widget, const QKeyEvent& key) {
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
    const std::optional<WindowKey> windowKey = windowKeyOf(key, top != window_);
    if (!windowKey) {
        return false;
    }
    onKey_(*windowKey, repeats_.repeats(key.key(), key.timestamp(), key.isAutoRepeat()));
    // The focused control still gets the keypad's keys.
    return *windowKey != WindowKey::PatchUp && *windowKey != WindowKey::PatchDown;
}

} // namespace moxel
