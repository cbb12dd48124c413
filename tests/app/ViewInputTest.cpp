// What the user does in the window and which handlers it reaches.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>

#include "app/ViewFixture.h"

namespace moxel {
namespace {

using test::ViewTest;

// Counts the key presses that reach a widget.
class KeyCounter : public QObject {
  public:
    int presses = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            ++presses;
        }
        return false;
    }
};

TEST_F(ViewTest, KeypadPlusAndMinusReachTheWindowAndStillTheFocusedList) {
    showActive();
    auto* list = control<QComboBox>("CmbMidiOut");
    list->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), list);
    KeyCounter counter;
    list->installEventFilter(&counter);

    QTest::keyClick(list, Qt::Key_Plus, Qt::KeypadModifier);
    QTest::keyClick(list, Qt::Key_Minus, Qt::KeypadModifier);

    EXPECT_EQ(events.calls, (std::vector<std::string>{"Form_KeyDown(107)", "Form_KeyDown(109)"}));
    EXPECT_EQ(counter.presses, 2);
}

TEST_F(ViewTest, KeyTravellingUpFromAButtonCountsOnce) {
    showActive();
    auto* reset = control<QPushButton>("CmdTempoReset");
    reset->setFocus();
    QTest::keyClick(reset, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(events.calls, std::vector<std::string>{"Form_KeyDown(107)"});
}

TEST_F(ViewTest, EveryAutoRepeatOfTheKeypadKeyCounts) {
    showActive();
    QWidget* list = control("CmbMidiIn");
    for (int i = 0; i < 3; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Minus, Qt::KeypadModifier, "-", true);
        QApplication::sendEvent(list, &repeat);
    }
    EXPECT_EQ(events.count("Form_KeyDown(109)"), 3);
}

TEST_F(ViewTest, MainKeyboardPlusAndOtherKeypadKeysDoNothing) {
    showActive();
    QWidget* list = control("CmbMidiIn");
    QTest::keyClick(list, Qt::Key_Plus);
    QTest::keyClick(list, Qt::Key_Minus);
    QTest::keyClick(list, Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_TRUE(events.calls.empty());
}

TEST_F(ViewTest, AnyMouseButtonOnBeatIsATapAtThePress) {
    QWidget* beat = control("CmdTempoBeat");
    const std::vector<std::pair<Qt::MouseButton, std::string>> cases{
        {Qt::LeftButton, "CmdTempoBeat_MouseDown(1)"},
        {Qt::RightButton, "CmdTempoBeat_MouseDown(2)"},
        {Qt::MiddleButton, "CmdTempoBeat_MouseDown(4)"},
    };
    for (const auto& [button, call] : cases) {
        events.calls.clear();
        QTest::mousePress(beat, button);
        EXPECT_EQ(events.calls, std::vector<std::string>{call}); // before the release
        QTest::mouseRelease(beat, button);
        EXPECT_EQ(events.calls, std::vector<std::string>{call});
    }
}

TEST_F(ViewTest, SpaceOnBeatIsNoTap) {
    showActive();
    auto* beat = control<QPushButton>("CmdTempoBeat");
    beat->setFocus();
    QTest::keyClick(beat, Qt::Key_Space);
    EXPECT_TRUE(events.calls.empty());
}

TEST_F(ViewTest, ResetButtonClickResets) {
    QTest::mouseClick(control("CmdTempoReset"), Qt::LeftButton);
    EXPECT_EQ(events.calls, std::vector<std::string>{"CmdTempoReset_Click()"});
}

TEST_F(ViewTest, DoubleClickOnThePatchNumberAsksForAPatch) {
    QTest::mouseDClick(control("LblPatch"), Qt::LeftButton);
    EXPECT_EQ(events.calls, std::vector<std::string>{"LblPatch_DblClick()"});
}

// Presses on controls are their own, whichever button: through the real
// window dispatch and straight to the control.
TEST_F(ViewTest, PressesOnControlsNeverReachTheBackground) {
    showActive();
    for (const char* name :
         {"LblPatch", "LblMidiIn", "LblMidiOut", "LblTempoVal", "LblTempo", "LblInput", "LblPreset",
          "FrameTempo", "CmbMidiIn", "CmbMidiCh", "CmdTempoReset", "CmbBeatPer"}) {
        SCOPED_TRACE(name);
        QWidget* widget = control(name);
        const QPoint inWindow = widget->mapTo(&view, widget->rect().center());
        for (const Qt::MouseButton button : {Qt::RightButton, Qt::LeftButton}) {
            QTest::mousePress(view.windowHandle(), button, {}, inWindow);
            QTest::mouseRelease(view.windowHandle(), button, {}, inWindow);
            QTest::mousePress(widget, button);
            QTest::mouseRelease(widget, button);
            // Whatever a list opened in the meantime is closed again.
            if (QWidget* popup = QApplication::activePopupWidget()) {
                popup->close();
            }
        }
    }
    EXPECT_EQ(events.countPrefix("Form_MouseDown"), 0);
}

TEST_F(ViewTest, ListsStartEmptyAndAddingSelectsNothing) {
    for (const ListId list : {ListId::MidiIn, ListId::MidiOut, ListId::MidiCh, ListId::BeatPer}) {
        EXPECT_EQ(view.listCount(list), 0);
        EXPECT_EQ(view.selectedIndex(list), -1);
        view.addListItem(list, "1|system:midi_capture_1");
        view.addListItem(list, "2|ポート");
        EXPECT_EQ(view.listCount(list), 2);
        EXPECT_EQ(view.selectedIndex(list), -1);
        EXPECT_EQ(view.listItem(list, 1), "2|ポート");
        EXPECT_EQ(view.listItem(list, 2), "");
        view.setListItem(list, 0, "1|renamed");
        view.setListItem(list, 5, "ignored");
        EXPECT_EQ(view.listItem(list, 0), "1|renamed");
        view.selectIndex(list, 1);
        EXPECT_EQ(view.selectedIndex(list), 1);
        view.selectIndex(list, 7); // outside the list: no change
        EXPECT_EQ(view.selectedIndex(list), 1);
        view.clearList(list);
        EXPECT_EQ(view.listCount(list), 0);
        EXPECT_EQ(view.selectedIndex(list), -1);
    }
    EXPECT_TRUE(events.calls.empty());
}

TEST_F(ViewTest, SelectingFromCodeCallsNoHandler) {
    for (const ListId list : {ListId::MidiIn, ListId::MidiOut, ListId::MidiCh}) {
        view.addListItem(list, "a");
        view.addListItem(list, "b");
        view.selectIndex(list, 1);
        view.selectIndex(list, 0);
    }
    EXPECT_TRUE(events.calls.empty());
}

TEST_F(ViewTest, KeyboardChoiceInAListReachesItsHandler) {
    showActive();
    const std::vector<std::pair<const char*, std::string>> cases{
        {"CmbMidiIn", "CmbMidiIn_Click()"},
        {"CmbMidiOut", "CmbMidiOut_Click()"},
        {"CmbMidiCh", "channelChosen(1)"},
    };
    view.addListItem(ListId::MidiIn, "0|a");
    view.addListItem(ListId::MidiIn, "1|b");
    view.addListItem(ListId::MidiOut, "0|a");
    view.addListItem(ListId::MidiOut, "1|b");
    view.addListItem(ListId::MidiCh, "1Ch");
    view.addListItem(ListId::MidiCh, "2Ch");
    view.selectIndex(ListId::MidiIn, 0);
    view.selectIndex(ListId::MidiOut, 0);
    view.selectIndex(ListId::MidiCh, 0);
    for (const auto& [name, call] : cases) {
        events.calls.clear();
        QWidget* list = control(name);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        EXPECT_EQ(events.calls, std::vector<std::string>{call}) << name;
    }
}

TEST_F(ViewTest, ChoosingTheAlreadySelectedEntryStillReachesTheHandler) {
    showActive();
    view.addListItem(ListId::MidiIn, "0|a");
    view.addListItem(ListId::MidiIn, "1|b");
    view.selectIndex(ListId::MidiIn, 1);
    auto* list = control<QComboBox>("CmbMidiIn");
    list->showPopup();
    QAbstractItemView* entries = list->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(entries->window()));
    const QRect entry = entries->visualRect(list->model()->index(1, 0));
    QTest::mouseClick(entries->viewport(), Qt::LeftButton, {}, entry.center());
    EXPECT_EQ(events.calls, std::vector<std::string>{"CmbMidiIn_Click()"});
    EXPECT_EQ(view.selectedIndex(ListId::MidiIn), 1);
}

} // namespace
} // namespace moxel
