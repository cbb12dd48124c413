// The window as a whole: lamps, boxes, window state and closing, the
// notification icon, the lamp timer, news from other threads, the loop, what
// a screen reader hears.
#include <QAccessible>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>

#include "ViewFixture.h"

namespace moxel {
namespace {

using test::ViewTest;
using test::whenOpen;
using Calls = std::vector<std::string>;

TEST_F(ViewTest, BoxesShowTheirTitleTextAndIconAndReturnTheAnswer) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title, text;
    whenOpen(QApplication::activeModalWidget, [&](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        ASSERT_NE(box, nullptr);
        std::tie(icon, title, text) = std::tuple(box->icon(), box->windowTitle(), box->text());
        EXPECT_EQ(box->buttons().size(), 1);
        box->button(QMessageBox::Ok)->click();
    });
    view.messageBox("一行目\r\n二行目 & more", "", MessageIcon::Information);
    EXPECT_EQ(icon, QMessageBox::Information);
    EXPECT_EQ(title, "Moxel"); // no title of its own: the program's
    EXPECT_EQ(text, "一行目\n二行目 & more");

    for (const bool accept : {true, false}) {
        whenOpen(QApplication::activeModalWidget, [&](QWidget* widget) {
            auto* dialog = qobject_cast<QInputDialog*>(widget);
            ASSERT_NE(dialog, nullptr);
            std::tie(title, text) = std::tuple(dialog->windowTitle(), dialog->labelText());
            EXPECT_TRUE(dialog->textValue().isEmpty());
            dialog->setTextValue("42");
            accept ? dialog->accept() : dialog->reject();
        });
        EXPECT_EQ(view.inputBox("上\r\n\r\n下", "Patch No Change"),
                  accept ? std::optional<std::string>("42") : std::nullopt);
        EXPECT_EQ(title, "Patch No Change");
        EXPECT_EQ(text, "上\n\n下");
    }
}

TEST_F(ViewTest, TopMostKeepsTheWindowWhereItIsWithItsContents) {
    view.addListItem(ListId::MidiIn, "1|system:midi_capture_1");
    view.move(120, 80);
    showActive();
    const QPoint position = view.pos();
    for (const bool on : {true, false}) {
        view.setTopMost(on);
        EXPECT_EQ(view.windowFlags().testFlag(Qt::WindowStaysOnTopHint), on);
        EXPECT_TRUE(view.isVisible());
        EXPECT_EQ(view.pos(), position);
        EXPECT_EQ(view.listItem(ListId::MidiIn, 0), "1|system:midi_capture_1");
    }
    view.hide();
    view.setTopMost(true);
    EXPECT_FALSE(view.isVisible()); // a hidden window stays hidden
}

TEST_F(ViewTest, ShowMinimiseRestoreRunFormResizeAndCloseAsksTheHandler) {
    view.show(); // the first showing
    view.showMinimized();
    EXPECT_EQ(view.windowState(), WindowState::Minimized);
    view.hideWindow();
    view.restoreWindow();
    EXPECT_EQ(view.windowState(), WindowState::Normal);
    EXPECT_TRUE(view.isVisible());
    view.hideWindow();
    view.show();                                  // showing again after a hide is no size change
    EXPECT_EQ(events.count("Form_Resize(0)"), 2); // shown, restored: WindowState::Normal
    EXPECT_EQ(events.count("Form_Resize(1)"), 1); // minimised

    events.refuseClose = true;
    view.requestClose();
    EXPECT_TRUE(view.isVisible());
    events.refuseClose = false;
    view.requestClose();
    EXPECT_FALSE(view.isVisible());
    EXPECT_EQ(events.count("Form_QueryUnload()"), 2);
}

TEST_F(ViewTest, TrayIconCarriesTheTipAndReportsPresses) {
    view.showTrayIcon("Moxel Ver1.0");
    auto* tray = view.findChild<QSystemTrayIcon*>();
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray->toolTip(), "Moxel Ver1.0");
    EXPECT_FALSE(tray->icon().isNull());
    EXPECT_EQ(tray->contextMenu(), nullptr);
    for (const auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::Context,
                              QSystemTrayIcon::DoubleClick, QSystemTrayIcon::MiddleClick}) {
        emit tray->activated(reason);
    }
    EXPECT_EQ(events.calls, (Calls{"trayIconPressed(0)", "trayIconPressed(1)"}));
    view.removeTrayIcon();
    EXPECT_FALSE(tray->isVisible());
    view.showTrayIcon("Moxel Ver1.1");
    EXPECT_EQ(view.findChildren<QSystemTrayIcon*>().size(), 1);
}

TEST_F(ViewTest, LampsShowTheirColourAndTheirTimerTicksAtTheIntervalAskedForWhileActive) {
    view.setLampColor(LampId::Input, {0, 255, 0});
    view.setLampColor(LampId::Output, {255, 0, 0});
    EXPECT_EQ(control("LblMidiIn")->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    EXPECT_EQ(control("LblMidiOut")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    auto* timer = view.findChild<QTimer*>("lampTimer");
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->isActive());
    view.setLampTimer(std::chrono::milliseconds(30));
    view.setLampTimer(std::chrono::milliseconds(10));
    EXPECT_EQ(timer->interval(), 10);
    EXPECT_TRUE(QTest::qWaitFor([this] { return events.count("lampTick()") >= 3; }, 5000));
    view.setLampTimer(std::chrono::milliseconds(0));
    EXPECT_FALSE(timer->isActive());
}

// What a screen reader hears (over AT-SPI, in both languages, with the
// lamps lighting as MIDI passes: tests/e2e/AccessibilityTest.cpp): a list's
// name tells what it is for and its value and description are the entry; the
// patch number's name follows the number and its description and tooltip
// tell its key; a lamp is lit in any colour but its idle white.
TEST_F(ViewTest, ScreenReadersHearWhatAControlIsAndWhatItShows) {
    const auto spoken = [&](const char* name) {
        return QAccessible::queryAccessibleInterface(control(name));
    };
    view.addListItem(ListId::MidiIn, "1|keys:out");
    view.selectIndex(ListId::MidiIn, 0);
    QAccessibleInterface* list = spoken("CmbMidiIn"); // its name and description: over AT-SPI
    EXPECT_EQ(list->role(), QAccessible::ComboBox);
    EXPECT_EQ(list->text(QAccessible::Value), "1|keys:out");

    view.setCaption(LabelId::Patch, "005");
    EXPECT_TRUE(spoken("LblPatch")->text(QAccessible::Name).contains("005"));
    EXPECT_TRUE(spoken("LblPatch")->text(QAccessible::Description).contains("F2"));
    EXPECT_EQ(control("LblPatch")->toolTip(), spoken("LblPatch")->text(QAccessible::Description));

    QAccessibleInterface* lamp = spoken("LblMidiOut");
    const QString off = lamp->text(QAccessible::Description);
    view.setLampColor(LampId::Output, {255, 0, 0});
    const QString lit = lamp->text(QAccessible::Description);
    view.setLampColor(LampId::Output, {255, 90, 90}); // fading: still lit
    EXPECT_EQ(lamp->text(QAccessible::Description), lit);
    view.setLampColor(LampId::Output, {255, 255, 255});
    EXPECT_NE(lit, off);
    EXPECT_EQ(lamp->text(QAccessible::Description), off);
}

TEST_F(ViewTest, RelayNewsFromOtherThreadsArrivesOnTheUiThreadCoalesced) {
    std::thread relay([this] {
        for (int i = 0; i < 100; ++i) {
            view.notifyRelayNews();
        }
    });
    relay.join();
    EXPECT_TRUE(QTest::qWaitFor([this] { return events.count("relayNews()") >= 1; }, 5000));
    EXPECT_EQ(events.lastThread, std::this_thread::get_id());
    QCoreApplication::processEvents();
    const int afterBurst = events.count("relayNews()");
    EXPECT_LT(afterBurst, 100);
    view.notifyRelayNews(); // later news makes another call
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return events.count("relayNews()") == afterBurst + 1; }, 5000));
}

TEST_F(ViewTest, AQuitAskedForBeforeOrDuringTheLoopEndsIt) {
    QTimer guard; // ends a loop that did not end by itself, with a failure
    guard.callOnTimeout([] {
        ADD_FAILURE() << "the event loop did not end";
        QCoreApplication::quit();
    });
    guard.start(5000);
    view.quitEventLoop();
    view.processEvents(); // consumes the queued quit while no loop runs
    view.runEventLoop();  // returns at once
    QTimer::singleShot(0, &view, [this] { view.quitEventLoop(); });
    view.runEventLoop();
}

} // namespace
} // namespace moxel
