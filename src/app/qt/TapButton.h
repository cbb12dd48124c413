#pragma once

#include <QPushButton>

namespace moxel {

// A push button that reports the press of any mouse button over it at the
// moment of the press. Activating it from the keyboard reports nothing.
class TapButton : public QPushButton {
    Q_OBJECT
  public:
    using QPushButton::QPushButton;

  signals:
    void tapped(Qt::MouseButton button);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace moxel
