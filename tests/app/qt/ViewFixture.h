#pragma once

#include <functional>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <QTimer>

#include "app/qt/QtMainView.h"
#include "support/RecordingEvents.h"

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

// Runs `act` from inside the modal loop the test is about to enter, once
// `find` gives a visible widget (a dialog, a pop-up); fails after 5 s.
inline void whenOpen(std::function<QWidget*()> find, std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    const QDeadlineTimer deadline(5000);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, deadline, find, act] {
        QWidget* widget = find();
        const bool open = widget != nullptr && widget->isVisible();
        if (open || deadline.hasExpired()) {
            timer->stop();
            timer->deleteLater();
            if (open) {
                act(widget);
            } else {
                ADD_FAILURE() << "the expected dialog or menu did not open";
            }
        }
    });
    timer->start(5);
}

} // namespace moxel::test
