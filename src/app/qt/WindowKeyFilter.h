#pragma once

#include <functional>
#include <optional>

#include <QObject>

#include "app/window/WindowKeys.h"

class QKeyEvent;
class QWidget;

namespace moxel {

// Lets a window see its keys (WindowKeys.h) whichever of its controls has the
// focus, before that control does. Installed on the application. A key press
// counts once, at its first receiver: the window's focused control (or the
// window itself), or the open list of one of its drop-down lists, where only
// the keypad's plus and minus count (the list keeps Esc to close itself).
// Keys typed into a box or a menu the window opened are not the window's.
// The keypad's keys go on to the focused control; the window's other keys
// are taken. A press that repeats a key held down is reported as a repeat
// (KeyRepeats), and the closing of a menu, of an open list of the window or
// of a box as a closing.
class WindowKeyFilter : public QObject {
    Q_OBJECT
  public:
    WindowKeyFilter(QWidget* window, std::function<void(WindowKey key, bool repeat)> onKey,
                    std::function<void()> onClosed);

    bool eventFilter(QObject* watched, QEvent* event) override;

    // The window's key of a key press, if it is one (inOpenList: the press
    // went to an open drop-down list).
    static std::optional<WindowKey> windowKeyOf(const QKeyEvent& key, bool inOpenList);

  private:
    bool belongsToWindow(const QWidget* widget) const;
    bool isPopupOfWindow(const QWidget* widget) const;
    bool keyPressed(QWidget* widget, const QKeyEvent& key);

    QWidget* window_;
    std::function<void(WindowKey, bool)> onKey_;
    std::function<void()> onClosed_;
    KeyRepeats repeats_;
};

} // namespace moxel
