#pragma once

#include <functional>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "app/QtMainView.h"
#include "app/RecordingEvents.h"

namespace moxel::test {

class ViewTest : public ::testing::Test {
  protected:
    void SetUp() override { view.setEvents(&events); }

    // Shows the window and waits until it is the active window.
    void showActive() {
        view.show();
        view.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
        events.calls.clear();
    }

    template <typename Widget = QWidget> Widget* control(const char* name) {
        auto* widget = view.findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    RecordingEvents events;
    QtMainView view;
};

// Runs `act` from inside the modal loop that the current test is about to
// enter, as soon as `find` returns a widget (a dialog or a pop-up menu).
// Gives up, with a failure, after five seconds.
inline void whenOpen(std::function<QWidget*()> find, std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    const QDeadlineTimer deadline(5000);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, deadline, find, act] {
        if (QWidget* widget = find(); widget != nullptr && widget->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(widget);
        } else if (deadline.hasExpired()) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "the expected dialog or menu did not open";
        }
    });
    timer->start(5);
}

inline QWidget* activePopup() {
    return QApplication::activePopupWidget();
}
inline QWidget* activeModal() {
    return QApplication::activeModalWidget();
}

} // namespace moxel::test
