#pragma once

#include <functional>

#include <QObject>

class QWidget;

namespace moxel {

// Lets a window see the numeric keypad's plus and minus keys whichever of its
// controls has the focus, also while one of its drop-down lists is open,
// before that control does, without taking the keys from it. Keys typed into
// a box or a menu the window opened are not the window's. Installed on the application; each key
// press (auto-repeats included) is reported once, with its virtual-key code (vkAdd, vkSubtract).
class KeypadKeyFilter : public QObject {
    Q_OBJECT
  public:
    KeypadKeyFilter(QWidget* window, std::function<void(int keyCode)> onKeyDown);

    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool belongsToWindow(const QWidget* widget) const;

    QWidget* window_;
    std::function<void(int)> onKeyDown_;
};

} // namespace moxel
