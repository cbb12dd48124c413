// The pop-up menu against the menu tree, and what the user's mouse and keys
// reach: which handler, with which argument, from which control.
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>

#include "ViewFixture.h"
#include "app/window/MenuTree.h"

namespace moxel {
namespace {

using test::ViewTest;
using test::whenOpen;
using Calls = std::vector<std::string>;

// The Qt menu holds the tree's items in order, each with its name, index,
// caption and check box, and choosing one calls exactly one handler, the one
// named after the item, with the item's index for a menu array.
void expectMirror(const MenuNode& node, const QMenu* menu, test::RecordingEvents& events) {
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(node.children.size())) << node.name;
    for (std::size_t i = 0; i < node.children.size(); ++i) {
        const MenuNode& child = node.children[i];
        QAction* action = actions[static_cast<qsizetype>(i)];
        SCOPED_TRACE(child.name);
        EXPECT_EQ(action->objectName().toStdString(), child.name);
        EXPECT_EQ(action->isSeparator(), child.kind == MenuKind::Separator);
        EXPECT_EQ(action->isCheckable(), child.checkable);
        EXPECT_FALSE(action->isChecked());
        if (child.kind != MenuKind::Separator) { // a key shows after a tab, at the right
            EXPECT_EQ(action->text().toStdString(), child.shortcut.empty()
                                                        ? child.caption
                                                        : child.caption + '\t' + child.shortcut);
        }
        events.calls.clear();
        action->trigger();
        EXPECT_FALSE(action->isChecked()); // the handler decides, not the click
        if (child.kind == MenuKind::Submenu) {
            EXPECT_TRUE(events.calls.empty());
            expectMirror(child, action->menu(), events);
        } else if (child.kind == MenuKind::Item) {
            const std::string argument = child.index < 0 ? "" : std::to_string(child.index);
            EXPECT_EQ(events.calls, Calls{child.name + "_Click(" + argument + ")"});
        } else {
            EXPECT_TRUE(events.calls.empty());
        }
    }
}

TEST_F(ViewTest, PopupMenuMirrorsTheTreeAndEveryItemCallsItsHandler) {
    auto* root = view.findChild<QMenu*>("MnuMainMenu");
    ASSERT_NE(root, nullptr);
    expectMirror(mainMenu(), root, events);
    view.setChecked(CheckItem::TopMost, true); // check marks follow the presenter
    EXPECT_TRUE(view.findChild<QAction*>("MnuTopMost")->isChecked());
    EXPECT_FALSE(view.findChild<QAction*>("MnuUpdateInCh")->isChecked());
}

// Clicks `button` on the item `name` of the open menu.
void clickItem(QWidget* popup, const char* name, Qt::MouseButton button) {
    auto* menu = qobject_cast<QMenu*>(popup);
    ASSERT_NE(menu, nullptr);
    QTest::mouseClick(menu, button, {},
                      menu->actionGeometry(menu->findChild<QAction*>(name)).center());
}

TEST_F(ViewTest, BackgroundPressesArePassedOnAndOnlyThePermittedButtonsChoose) {
    showActive();
    const QPoint background(120, 4);
    ASSERT_EQ(view.childAt(background), nullptr);
    QTest::mouseClick(view.windowHandle(), Qt::RightButton, {}, background);
    QTest::mouseClick(view.windowHandle(), Qt::LeftButton, {}, background);
    EXPECT_EQ(events.calls, (Calls{"Form_MouseDown(2)", "Form_MouseDown(1)"}));

    events.calls.clear();
    bool openAfterRightClick = false;
    whenOpen(QApplication::activePopupWidget, [&](QWidget* popup) {
        clickItem(popup, "MnuVersionInfo", Qt::RightButton);
        openAfterRightClick = popup->isVisible() && events.calls.empty();
        clickItem(popup, "MnuVersionInfo", Qt::LeftButton);
    });
    view.popupMenu(false, MenuPlace::Pointer); // as from the notification icon
    EXPECT_TRUE(openAfterRightClick);
    whenOpen(QApplication::activePopupWidget,
             [](QWidget* popup) { clickItem(popup, "MnuShowHelp", Qt::RightButton); });
    view.popupMenu(true, MenuPlace::Pointer); // as from the background
    EXPECT_EQ(events.calls, (Calls{"MnuVersionInfo_Click()", "MnuShowHelp_Click()"}));
}

TEST_F(ViewTest, PressesOnControlsNeverReachTheBackground) {
    showActive();
    for (const char* name : {"LblPatch", "LblMidiIn", "LblTempoVal", "LblInput", "FrameTempo",
                             "CmbMidiCh", "CmdTempoReset"}) {
        QWidget* widget = control(name);
        const QPoint inWindow = widget->mapTo(&view, widget->rect().center());
        for (const Qt::MouseButton button : {Qt::RightButton, Qt::LeftButton}) {
            QTest::mouseClick(view.windowHandle(), button, {}, inWindow);
            if (QWidget* popup = QApplication::activePopupWidget()) {
                popup->close(); // whatever a list opened
            }
        }
    }
    EXPECT_EQ(std::ranges::count_if(events.calls,
                                    [](const auto& c) { return c.starts_with("Form_Mouse"); }),
              0);
}

// Counts the presses of keys other than Shift and Ctrl a widget gets.
struct KeyCounter : QObject {
    int presses = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            presses += key != Qt::Key_Shift && key != Qt::Key_Control ? 1 : 0;
        }
        return false;
    }
};

// A held key's repeat as X11 sends it: a release and a press at one time.
void sendRepeat(QWidget* to, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    for (const QEvent::Type type : {QEvent::KeyRelease, QEvent::KeyPress}) {
        QKeyEvent event(type, key, modifiers);
        event.setTimestamp(5000);
        QApplication::sendEvent(to, &event);
    }
}

// The window's keys reach their handler once whichever control has the focus;
// the focused control still gets the keypad's keys and none of the others.
TEST_F(ViewTest, TheWindowsKeysReachTheirHandlersWhicheverControlHasTheFocus) {
    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* call; // nullptr: no window key
    };
    const Key keys[] = {
        {Qt::Key_Plus, Qt::KeypadModifier, "Form_KeyDown(107)"},
        {Qt::Key_Minus, Qt::KeypadModifier, "Form_KeyDown(109)"},
        {Qt::Key_Escape, Qt::NoModifier, "MnuAllSoundOff_Click()"},
        {Qt::Key_F2, Qt::NoModifier, "LblPatch_DblClick()"},
        {Qt::Key_Menu, Qt::NoModifier, "contextMenuFromKeyboard()"},
        {Qt::Key_F10, Qt::ShiftModifier, "contextMenuFromKeyboard()"},
        {Qt::Key_Plus, Qt::NoModifier, nullptr}, // the main keyboard's plus
        {Qt::Key_Asterisk, Qt::KeypadModifier, nullptr},
        {Qt::Key_F10, Qt::NoModifier, nullptr},
        {Qt::Key_Escape, Qt::ControlModifier, nullptr},
    };
    showActive();
    for (const char* name :
         {"CmbMidiIn", "CmbMidiOut", "CmbMidiCh", "CmdTempoBeat", "CmdTempoReset", "CmbBeatPer"}) {
        QWidget* focused = control(name);
        focused->setFocus();
        for (const Key& key : keys) {
            SCOPED_TRACE(std::string(name) + " " +
                         QKeySequence(key.key | key.modifiers).toString().toStdString());
            KeyCounter counter;
            focused->installEventFilter(&counter);
            events.calls.clear();
            QTest::keyClick(focused, key.key, key.modifiers);
            EXPECT_EQ(events.calls, key.call != nullptr ? Calls{key.call} : Calls{});
            const bool keypad = key.modifiers == Qt::KeypadModifier;
            EXPECT_EQ(counter.presses, key.call == nullptr || keypad ? 1 : 0);
        }
    }
    events.calls.clear(); // held down (as X11 repeats): the keypad steps, the others wait
    sendRepeat(QApplication::focusWidget(), Qt::Key_Minus, Qt::KeypadModifier);
    sendRepeat(QApplication::focusWidget(), Qt::Key_Escape);
    sendRepeat(QApplication::focusWidget(), Qt::Key_F2);
    EXPECT_EQ(events.calls, Calls{"Form_KeyDown(109)"});
}

// An open drop-down list is a window of its own: the keypad's keys count
// there too, while Esc closes the list and no other key is the window's. The
// boxes and the menu the window opens are not the window: keys typed there
// stay there, and an Esc right after one of them closed is one too many.
TEST_F(ViewTest, AnOpenListKeepsEscAndBoxesAndTheMenuKeepAllTheirKeys) {
    showActive();
    auto* list = control<QComboBox>("CmbMidiOut");
    list->setFocus();
    list->addItem("1|a");
    list->showPopup();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->view()->window()));
    QWidget* openList = list->view()->window()->focusWidget();
    for (const Qt::Key key : {Qt::Key_F2, Qt::Key_Menu}) {
        QTest::keyClick(openList, key);
    }
    QTest::keyClick(openList, Qt::Key_Plus, Qt::KeypadModifier);
    QTest::keyClick(openList, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !list->view()->isVisible(); }, 5000));
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_EQ(events.calls, Calls{"Form_KeyDown(107)"});

    events.calls.clear();
    const auto typeKeysAndClose = [](QWidget* open) {
        QWidget* typedInto = open->focusWidget() != nullptr ? open->focusWidget() : open;
        QTest::keyClick(typedInto, Qt::Key_Minus, Qt::KeypadModifier);
        QTest::keyClick(typedInto, Qt::Key_Plus, Qt::KeypadModifier);
        QTest::keyClick(typedInto, Qt::Key_F2);
        QTest::keyClick(typedInto, Qt::Key_F10, Qt::ShiftModifier);
        QTest::keyClick(typedInto, Qt::Key_Escape);
    };
    whenOpen(QApplication::activeModalWidget, typeKeysAndClose);
    view.inputBox("prompt", "Patch No Change");
    whenOpen(QApplication::activeModalWidget, typeKeysAndClose);
    view.messageBox("SoftWare Version = 1.0", "", MessageIcon::None);
    QTest::keyClick(list, Qt::Key_Escape);
    whenOpen(QApplication::activePopupWidget, typeKeysAndClose);
    view.popupMenu(true, MenuPlace::Pointer);
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_EQ(events.calls, Calls{});
}

TEST_F(ViewTest, ButtonsAndThePatchNumberReachTheirHandlers) {
    showActive();
    QWidget* beat = control("CmdTempoBeat");
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        QTest::mousePress(beat, button); // any button taps, at the press
    }
    EXPECT_EQ(events.calls, (Calls{"CmdTempoBeat_MouseDown(1)", "CmdTempoBeat_MouseDown(2)",
                                   "CmdTempoBeat_MouseDown(4)"}));
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        QTest::mouseRelease(beat, button);
    }
    QTest::mouseClick(control("CmdTempoReset"), Qt::LeftButton);
    QTest::mouseDClick(control("LblPatch"), Qt::LeftButton);
    EXPECT_EQ(std::vector(events.calls.begin() + 3, events.calls.end()),
              (Calls{"CmdTempoReset_Click()", "LblPatch_DblClick()"}));

    // Space and Enter on the focused Beat button tap at the key press; a
    // held key taps once.
    beat->setFocus();
    for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
        events.calls.clear();
        QTest::keyPress(beat, key);
        EXPECT_EQ(events.calls, Calls{"CmdTempoBeat_MouseDown(1)"}) << key;
        sendRepeat(beat, key);
        QTest::keyRelease(beat, key);
        EXPECT_EQ(events.calls.size(), 1U) << key;
    }
}

// From the keyboard the menu opens below the control that has the focus.
TEST_F(ViewTest, TheMenuOpenedFromTheKeyboardOpensAtTheFocusedControl) {
    showActive();
    QWidget* reset = control("CmdTempoReset");
    reset->setFocus();
    QPoint opened;
    whenOpen(QApplication::activePopupWidget, [&](QWidget* popup) {
        opened = popup->pos();
        popup->close();
    });
    view.popupMenu(true, MenuPlace::FocusedControl);
    EXPECT_EQ(opened, reset->mapToGlobal(QPoint(0, reset->height())));
}

TEST_F(ViewTest, ListChoicesByTheUserReachTheirHandlersAndChoicesFromCodeDoNot) {
    for (const ListId list : {ListId::MidiIn, ListId::MidiOut, ListId::MidiCh, ListId::BeatPer}) {
        view.addListItem(list, "1|a");
        view.addListItem(list, "2|b");
        EXPECT_EQ(view.selectedIndex(list), -1); // adding selects nothing
        view.selectIndex(list, 0);
    }
    showActive();
    ASSERT_TRUE(events.calls.empty());
    for (const char* name : {"CmbMidiIn", "CmbMidiOut", "CmbMidiCh", "CmbBeatPer"}) {
        control(name)->setFocus();
        QTest::keyClick(control(name), Qt::Key_Down);
    }
    EXPECT_EQ(events.calls, (Calls{"CmbMidiIn_Click(1)", "CmbMidiOut_Click(1)", "channelChosen(1)",
                                   "beatPerChosen(1)"}));

    events.calls.clear(); // the entry already chosen, chosen again
    auto* list = control<QComboBox>("CmbMidiIn");
    const QString name = "3|a2j:Arturia KeyStep 37 [24] (capture): Arturia KeyStep 37 MIDI 1";
    view.addListItem(ListId::MidiIn, name.toStdString());
    list->showPopup(); // open, the list shows whole names
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->view()->window()));
    EXPECT_GT(list->view()->width(), QFontMetrics(list->view()->font()).horizontalAdvance(name));
    view.selectIndex(ListId::MidiIn, 2);
    EXPECT_EQ(list->toolTip(), name); // closed, its tooltip does
    view.selectIndex(ListId::MidiIn, 0);
    const QRect entry = list->view()->visualRect(list->model()->index(1, 0));
    QTest::mouseClick(list->view()->viewport(), Qt::LeftButton, {}, entry.center());
    EXPECT_EQ(events.calls, Calls{"CmbMidiIn_Click(1)"});
}

} // namespace
} // namespace moxel
