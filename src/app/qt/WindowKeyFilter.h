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
// are taken. Auto-repeats are reported as such.
class WindowKeyFilter : public QObject {
    Q_OBJECT
  public:
    WindowKeyFilter(QWidget* window, std::function<void(WindowKey key, bool autoRepeat)> onKey);

    bool eventFilter(QObject* watched, QEvent* event) override;

    // The window's key of a key press, if it is one (inOpenList: the press
    // went to an open drop-down list).
    static std::optional<WindowKey> windowKeyOf(const QKeyEvent& key, bool inOpenList);

  private:
    bool belongsToWindow(const QWidget* widget) const;

    QWidget* window_;
    std::function<void(WindowKey, bool)> onKey_;
};

} // namespace moxel
