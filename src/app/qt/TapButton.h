#pragma once

#include <QPushButton>

#include "app/window/WindowKeys.h"

namespace moxel {

// A push button that reports the press of any mouse button over it at the
// moment of the press, and the press of Space or Enter while it has the focus
// (as the left button), once per press: a held key taps once (KeyRepeats).
class TapButton : public QPushButton {
    Q_OBJECT
  public:
    using QPushButton::QPushButton;

  signals:
    void tapped(Qt::MouseButton button);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    KeyRepeats repeats_;
};

} // namespace moxel
