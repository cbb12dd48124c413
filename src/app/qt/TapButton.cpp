#include "app/qt/TapButton.h"

#include <QMouseEvent>

namespace moxel {

// The second press of a double-click arrives here too (QWidget's default
// double-click handling), so fast taps all count.
void TapButton::mousePressEvent(QMouseEvent* event) {
    emit tapped(event->button());
    if (event->button() == Qt::LeftButton) {
        QPushButton::mousePressEvent(event); // the pressed look
    } else {
        event->accept(); // keep other buttons away from the window behind
    }
}

void TapButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        QPushButton::mouseReleaseEvent(event);
    } else {
        event->accept();
    }
}

} // namespace moxel
