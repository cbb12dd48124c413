#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <QTimer>

#include "app/qt/QtMainView.h"
#include "app/window/MainWindowEvents.h"

namespace moxel::test {

// Records every handler call as text: "Form_MouseDown(2)", "MnuHSNet_Click(1)",
// "CmbMidiIn_Click()".
class RecordingEvents : public MainWindowEvents {
  public:
    std::vector<std::string> calls;
    std::thread::id relayActivityThread;
    bool refuseClose = false;

    int count(const std::string& call) const {
        return static_cast<int>(std::ranges::count(calls, call));
    }

#define MOXEL_RECORD0(name)                                                                        \
    void name() override {                                                                         \
        calls.push_back(#name "()");                                                               \
    }
#define MOXEL_RECORD1(name, type)                                                                  \
    void name(type value) override {                                                               \
        calls.push_back(#name "(" + std::to_string(static_cast<int>(value)) + ")");                \
    }
    MOXEL_RECORD0(CmbMidiIn_Click)
    MOXEL_RECORD0(CmbMidiOut_Click)
    MOXEL_RECORD1(channelChosen, int)
    MOXEL_RECORD1(CmdTempoBeat_MouseDown, MouseButton)
    MOXEL_RECORD0(CmdTempoReset_Click)
    MOXEL_RECORD0(LblPatch_DblClick)
    MOXEL_RECORD1(Form_KeyDown, int)
    MOXEL_RECORD1(Form_MouseDown, MouseButton)
    MOXEL_RECORD0(contextMenuFromKeyboard)
    MOXEL_RECORD0(Form_Resize)
    MOXEL_RECORD1(trayIconPressed, TrayPress)
    MOXEL_RECORD1(MnuMidiDeviceReFind_Click, std::int16_t)
    MOXEL_RECORD1(MnuMidiDeviceDefault_Click, std::int16_t)
    MOXEL_RECORD0(MnuMidiChDefault_Click)
    MOXEL_RECORD0(MnuAllSoundOff_Click)
    MOXEL_RECORD1(MnuMidiSystem_Click, std::int16_t)
    MOXEL_RECORD0(MnuTopMost_Click)
    MOXEL_RECORD0(MnuUpdateInCh_Click)
    MOXEL_RECORD1(MnuShowOption_Click, std::int16_t)
    MOXEL_RECORD0(MnuVersionInfo_Click)
    MOXEL_RECORD0(MnuShowHelp_Click)
    MOXEL_RECORD0(MnuShowWeb_Click)
    MOXEL_RECORD1(MnuHSNet_Click, std::int16_t)
    MOXEL_RECORD0(MnuAppExit_Click)
    MOXEL_RECORD0(lampTick)
    MOXEL_RECORD0(devicesChanged)
    MOXEL_RECORD0(serviceSearchTick)
#undef MOXEL_RECORD0
#undef MOXEL_RECORD1
    void Form_QueryUnload(bool& cancel) override {
        calls.emplace_back("Form_QueryUnload()");
        cancel = refuseClose;
    }
    void relayActivity() override {
        relayActivityThread = std::this_thread::get_id();
        calls.emplace_back("relayActivity()");
    }
};

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
