// The window as a whole: captions and lamps, boxes, window state, closing,
// the notification-area icon, the lamp timer and notes from the relay.
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>

#include "app/CaptionLabel.h"
#include "app/ViewFixture.h"

namespace moxel {
namespace {

using test::activeModal;
using test::ViewTest;
using test::whenOpen;

// The part of `widget` that its window shows: its rectangle clipped by every
// ancestor, in window coordinates.
QRect shownRect(const QWidget* widget) {
    QRect rect(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
    for (const QWidget* ancestor = widget->parentWidget(); ancestor != nullptr;
         ancestor = ancestor->parentWidget()) {
        const QRect area =
            ancestor->isWindow()
                ? ancestor->rect()
                : QRect(ancestor->mapTo(ancestor->window(), QPoint(0, 0)), ancestor->size());
        rect &= area;
    }
    return rect;
}

void expectWhollyShown(const QLabel* label) {
    const QRect full(label->mapTo(label->window(), QPoint(0, 0)), label->size());
    EXPECT_EQ(shownRect(label), full) << label->text().toStdString();
    EXPECT_GE(label->width(), QFontMetricsF(label->font()).horizontalAdvance(label->text()));
}

TEST_F(ViewTest, LongTempoValueIsShownWhole) {
    auto* value = control<QLabel>("LblTempoVal");
    const QPoint topLeft = value->pos();
    view.setCaption(LabelId::TempoVal, "240000.000");
    EXPECT_EQ(value->text(), "240000.000");
    EXPECT_EQ(value->pos(), topLeft);
    expectWhollyShown(value);
    EXPECT_GE(view.width(), 196);
    EXPECT_EQ(view.height(), 114);
    EXPECT_EQ(view.minimumSize(), view.maximumSize());

    // Back to a short value: the window returns to its own size.
    view.setCaption(LabelId::TempoVal, "120.000");
    expectWhollyShown(value);
    EXPECT_EQ(view.size(), QSize(196, 114));
    EXPECT_EQ(control("FrameTempo")->width(), 139);
}

TEST_F(ViewTest, LabelsGrowAndShrinkWithTheirCaption) {
    auto* value = control<CaptionLabel>("LblTempoVal");
    view.setCaption(LabelId::TempoVal, "98.361");
    const int shortWidth = value->width();
    view.setCaption(LabelId::TempoVal, "1234.567");
    EXPECT_GT(value->width(), shortWidth);
    expectWhollyShown(value);
    view.setCaption(LabelId::TempoVal, "0.000");
    EXPECT_LT(value->width(), shortWidth);

    auto* patch = control<CaptionLabel>("LblPatch");
    view.setCaption(LabelId::Patch, "127");
    EXPECT_EQ(patch->text(), "127");
    EXPECT_EQ(patch->pos(), QPoint(30, 103));
    expectWhollyShown(patch);
}

TEST_F(ViewTest, LampsShowADotInTheirColour) {
    auto* input = control<QLabel>("LblMidiIn");
    auto* output = control<QLabel>("LblMidiOut");
    EXPECT_EQ(input->text(), "●");
    view.setLampColor(LampId::Input, {0, 255, 0});
    view.setLampColor(LampId::Output, {255, 0, 0});
    EXPECT_EQ(input->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    EXPECT_EQ(output->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    view.setLampColor(LampId::Input, {255, 255, 255});
    EXPECT_EQ(input->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    EXPECT_EQ(output->palette().color(QPalette::WindowText), QColor(255, 0, 0));
}

TEST_F(ViewTest, MessageBoxShowsTitleTextIconAndOnlyOk) {
    struct Seen {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int buttons = 0;
    };
    const auto showAndRead = [this](const std::string& title, MessageIcon icon) {
        Seen seen;
        whenOpen(activeModal, [&seen](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            ASSERT_NE(box, nullptr);
            seen = {box->windowTitle(), box->text(), box->icon(),
                    static_cast<int>(box->buttons().size())};
            box->button(QMessageBox::Ok)->click();
        });
        view.messageBox("一行目\r\n二行目 & more", title, icon);
        return seen;
    };

    const Seen titled = showAndRead("Moxel エラー", MessageIcon::Information);
    EXPECT_EQ(titled.title, "Moxel エラー");
    EXPECT_EQ(titled.text, "一行目\n二行目 & more");
    EXPECT_EQ(titled.icon, QMessageBox::Information);
    EXPECT_EQ(titled.buttons, 1);

    const Seen untitled = showAndRead("", MessageIcon::None);
    EXPECT_EQ(untitled.title, "Moxel");
    EXPECT_EQ(untitled.icon, QMessageBox::NoIcon);
}

TEST_F(ViewTest, InputBoxReturnsTheTextOrNothingWhenCancelled) {
    QString prompt;
    QString title;
    whenOpen(activeModal, [&](QWidget* widget) {
        auto* dialog = qobject_cast<QInputDialog*>(widget);
        ASSERT_NE(dialog, nullptr);
        prompt = dialog->labelText();
        title = dialog->windowTitle();
        EXPECT_TRUE(dialog->textValue().isEmpty());
        dialog->setTextValue("42");
        dialog->accept();
    });
    EXPECT_EQ(view.inputBox("上\r\n\r\n下", "Patch No Change"), std::optional<std::string>("42"));
    EXPECT_EQ(prompt, "上\n\n下");
    EXPECT_EQ(title, "Patch No Change");

    whenOpen(activeModal, [](QWidget* widget) {
        auto* dialog = qobject_cast<QInputDialog*>(widget);
        ASSERT_NE(dialog, nullptr);
        dialog->setTextValue("17");
        dialog->reject();
    });
    EXPECT_EQ(view.inputBox("p", "t"), std::nullopt);
}

// Counts the times a widget is hidden.
class HideCounter : public QObject {
  public:
    int hides = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide) {
            ++hides;
        }
        return false;
    }
};

TEST_F(ViewTest, TopMostKeepsTheWindowWhereItIsWithItsContents) {
    view.addListItem(ListId::MidiIn, "1|system:midi_capture_1");
    view.move(120, 80);
    showActive();
    const QPoint position = view.pos();

    view.setTopMost(true);
    EXPECT_TRUE(view.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(view.isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(&view));
    EXPECT_EQ(view.pos(), position);
    EXPECT_EQ(view.listItem(ListId::MidiIn, 0), "1|system:midi_capture_1");
    EXPECT_EQ(view.size(), QSize(196, 114));

    HideCounter counter;
    view.installEventFilter(&counter);
    view.setTopMost(true); // unchanged: nothing happens
    EXPECT_EQ(counter.hides, 0);

    view.setTopMost(false);
    EXPECT_FALSE(view.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(view.isVisible());
    EXPECT_EQ(view.pos(), position);
}

TEST_F(ViewTest, TopMostWhileHiddenStaysHidden) {
    view.setTopMost(true);
    EXPECT_TRUE(view.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(view.isVisible());
}

TEST_F(ViewTest, FirstShowingMinimiseAndRestoreRunFormResize) {
    view.show();
    EXPECT_EQ(events.count("Form_Resize()"), 1);
    EXPECT_EQ(view.windowState(), WindowState::Normal);

    events.calls.clear();
    view.showMinimized();
    EXPECT_EQ(view.windowState(), WindowState::Minimized);
    EXPECT_EQ(events.count("Form_Resize()"), 1);

    view.hideWindow();
    EXPECT_FALSE(view.isVisible());
    events.calls.clear();
    view.restoreWindow();
    EXPECT_EQ(view.windowState(), WindowState::Normal);
    EXPECT_TRUE(view.isVisible());
    EXPECT_EQ(events.count("Form_Resize()"), 1);

    // Showing again after a hide is no first showing.
    events.calls.clear();
    view.hideWindow();
    view.show();
    EXPECT_EQ(events.count("Form_Resize()"), 0);
}

TEST_F(ViewTest, CloseRequestsAskTheHandlerWhichMayRefuse) {
    view.show();
    events.onQueryUnload = [](bool& cancel) { cancel = true; };
    view.requestClose();
    EXPECT_TRUE(view.isVisible());
    EXPECT_EQ(events.count("Form_QueryUnload()"), 1);

    events.onQueryUnload = nullptr;
    EXPECT_TRUE(view.close());
    EXPECT_FALSE(view.isVisible());
    EXPECT_EQ(events.count("Form_QueryUnload()"), 2);
}

TEST_F(ViewTest, TrayIconCarriesTheTipAndReportsPresses) {
    EXPECT_EQ(view.findChild<QSystemTrayIcon*>(), nullptr);
    view.showTrayIcon("Moxel Ver1.0");
    auto* tray = view.findChild<QSystemTrayIcon*>();
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray->toolTip(), "Moxel Ver1.0");
    EXPECT_FALSE(tray->icon().isNull());
    EXPECT_EQ(tray->contextMenu(), nullptr);

    emit tray->activated(QSystemTrayIcon::Trigger);
    emit tray->activated(QSystemTrayIcon::Context);
    emit tray->activated(QSystemTrayIcon::DoubleClick);
    emit tray->activated(QSystemTrayIcon::MiddleClick);
    EXPECT_EQ(events.calls,
              (std::vector<std::string>{"trayIconPressed(Left)", "trayIconPressed(Right)"}));

    view.removeTrayIcon();
    EXPECT_FALSE(tray->isVisible());
    view.showTrayIcon("Moxel Ver1.1");
    EXPECT_EQ(view.findChildren<QSystemTrayIcon*>().size(), 1);
    EXPECT_EQ(tray->toolTip(), "Moxel Ver1.1");
}

TEST_F(ViewTest, LampTimerTicksOnlyWhileActive) {
    auto* timer = view.findChild<QTimer*>("lampTimer");
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->isActive());
    view.setLampTimerActive(true);
    EXPECT_EQ(timer->interval(), 10);
    EXPECT_EQ(timer->timerType(), Qt::PreciseTimer);
    EXPECT_TRUE(QTest::qWaitFor([this] { return events.count("lampTick()") >= 3; }, 5000));
    view.setLampTimerActive(false);
    EXPECT_FALSE(timer->isActive());
}

TEST_F(ViewTest, RelayNotesFromOtherThreadsArriveOnTheUiThread) {
    std::thread relay([this] {
        for (int i = 0; i < 100; ++i) {
            view.notifyRelayActivity();
        }
    });
    relay.join();
    EXPECT_TRUE(QTest::qWaitFor([this] { return events.count("relayActivity()") >= 1; }, 5000));
    EXPECT_EQ(events.relayActivityThread, std::this_thread::get_id());
    // Notes that piled up make one call; a later note makes another.
    QCoreApplication::processEvents();
    const int afterBurst = events.count("relayActivity()");
    EXPECT_LE(afterBurst, 100);
    view.notifyRelayActivity();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return events.count("relayActivity()") == afterBurst + 1; }, 5000));
}

// Ends a loop that should have ended by itself, with a failure.
class LoopGuard {
  public:
    LoopGuard() {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [] {
            ADD_FAILURE() << "the event loop did not end";
            QCoreApplication::quit();
        });
        timer_.start(5000);
    }

  private:
    QTimer timer_;
};

TEST_F(ViewTest, QuitBeforeTheLoopRunsIsNotLost) {
    view.quitEventLoop();
    view.processEvents(); // consumes the queued quit while no loop runs
    const LoopGuard guard;
    view.runEventLoop(); // returns at once
}

TEST_F(ViewTest, QuitEndsARunningLoop) {
    const LoopGuard guard;
    QTimer::singleShot(0, &view, [this] { view.quitEventLoop(); });
    view.runEventLoop();
    // A second run waits for a second quit.
    QTimer::singleShot(0, &view, [this] { view.quitEventLoop(); });
    view.runEventLoop();
}

TEST(ViewWithoutHandlers, UserActionsCallNothingAndDoNotCrash) {
    QtMainView view;
    view.show();
    QTest::mouseClick(view.findChild<QWidget*>("CmdTempoBeat"), Qt::LeftButton);
    QTest::mouseDClick(view.findChild<QWidget*>("LblPatch"), Qt::LeftButton);
    QTest::keyClick(view.findChild<QWidget*>("CmbMidiIn"), Qt::Key_Plus, Qt::KeypadModifier);
    for (QAction* action : view.findChildren<QAction*>()) {
        action->trigger();
    }
    view.notifyRelayActivity();
    QCoreApplication::processEvents();
    EXPECT_TRUE(view.close());
}

} // namespace
} // namespace moxel
