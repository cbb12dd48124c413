#include "app/qt/TapButton.h"

#include <QKeyEvent>
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

void TapButton::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool tapKey = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
    if (tapKey && !repeats_.repeats(key, event->timestamp(), event->isAutoRepeat())) {
        emit tapped(Qt::LeftButton);
    }
    if (tapKey && key != Qt::Key_Space) {
        event->accept(); // Enter stays here; Space shows the pressed look
    } else {
        QPushButton::keyPressEvent(event);
    }
}

void TapButton::keyReleaseEvent(QKeyEvent* event) {
    repeats_.released(event->key(), event->timestamp());
    QPushButton::keyReleaseEvent(event);
}

} // namespace moxel
