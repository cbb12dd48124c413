// The menu tree, the pop-up menu built from it and what its items call.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include "app/MenuTree.h"
#include "app/ViewFixture.h"

namespace moxel {
namespace {

using test::activePopup;
using test::ViewTest;
using test::whenOpen;

// depth, name, index, caption, kind, checkable: the whole tree below
// MnuMainMenu in order.
struct Row {
    int depth;
    std::string name;
    int index;
    std::string caption;
    MenuKind kind;
    bool checkable;
    friend bool operator==(const Row&, const Row&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Row& row) {
        return out << row.depth << " " << row.name << "(" << row.index << ") " << row.caption;
    }
};

void flatten(const MenuNode& node, int depth, std::vector<Row>& rows) {
    for (const MenuNode& child : node.children) {
        rows.push_back(
            {depth, child.name, child.index, child.caption, child.kind, child.checkable});
        flatten(child, depth + 1, rows);
    }
}

constexpr MenuKind I = MenuKind::Item;
constexpr MenuKind S = MenuKind::Submenu;
constexpr MenuKind L = MenuKind::Separator;

const std::vector<Row> expectedTree{
    {0, "MnuMidiDevice", -1, "MIDIデバイス", S, false},
    {1, "MnuMidiDeviceReFind", 0, "MIDI IN デバイスを再検索する", I, false},
    {1, "MnuMidiDeviceReFind", 1, "MIDI OUT デバイスを再検索する", I, false},
    {1, "MnuLine1", -1, "-", L, false},
    {1, "MnuMidiDeviceDefault", 0, "現在のMIDI INデバイスを標準にする", I, false},
    {1, "MnuMidiDeviceDefault", 1, "現在のMIDI OUTデバイスを標準にする", I, false},
    {1, "MnuMidiChDefault", -1, "現在の出力CHをデバイス標準にする", I, false},
    {1, "MnuLine2", -1, "-", L, false},
    {1, "MnuAllSoundOff", -1, "オール・サウンド・オフ", I, false},
    {0, "MnuOption", -1, "オプション", S, false},
    {1, "MnuTopMost", -1, "常に手前に表示する", I, true},
    {1, "MnuUpdateInCh", -1, "MIDI IN側のch設定を反映する", I, true},
    {1, "MnuLine6", -1, "-", L, false},
    {1, "MnuShowOption", 0, "ボリュームコントロール", I, false},
    {1, "MnuShowOption", 1, "マルチメディアのプロパティ", I, false},
    {0, "MnuLine3", -1, "-", L, false},
    {0, "MnuVersionInfo", -1, "バージョン情報", I, false},
    {0, "MnuLine4", -1, "-", L, false},
    {0, "MnuShowHelp", -1, "ヘルプ", I, false},
    {0, "MnuHomePage", -1, "ホームページ", S, false},
    {1, "MnuShowWeb", -1, "Moxelの最新情報", I, false},
    {1, "MnuLine5", -1, "-", L, false},
    {1, "MnuHSNet", 0, "Ostrafy network [作者個人サイト]", I, false},
    {1, "MnuHSNet", 1, "Moxelの紹介ページ", I, false},
    {0, "MnuLine0", -1, "-", L, false},
    {0, "MnuAppExit", -1, "終了", I, false},
};

TEST(MenuTree, HoldsEveryItemWithItsCaptionAndIndex) {
    EXPECT_EQ(mainMenu().name, "MnuMainMenu");
    EXPECT_EQ(mainMenu().caption, "メインメニュー");
    std::vector<Row> rows;
    flatten(mainMenu(), 0, rows);
    EXPECT_EQ(rows, expectedTree);
}

// The Qt menu shows the same tree: every action in order with the tree's text,
// separators where the tree has them, submenus with their items.
void flattenQt(const QMenu* menu, int depth, std::vector<Row>& rows) {
    for (QAction* action : menu->actions()) {
        const MenuKind kind = action->isSeparator() ? L : (action->menu() != nullptr ? S : I);
        rows.push_back({depth, action->objectName().toStdString(), action->data().toInt(),
                        action->isSeparator() ? "-" : action->text().toStdString(), kind,
                        action->isCheckable()});
        if (action->menu() != nullptr) {
            flattenQt(action->menu(), depth + 1, rows);
        }
    }
}

TEST_F(ViewTest, PopupMenuMirrorsTheTree) {
    auto* root = view.findChild<QMenu*>("MnuMainMenu");
    ASSERT_NE(root, nullptr);
    std::vector<Row> rows;
    flattenQt(root, 0, rows);
    EXPECT_EQ(rows, expectedTree);
    for (QAction* action : root->findChildren<QAction*>()) {
        EXPECT_TRUE(action->isVisible());
        EXPECT_TRUE(action->isEnabled());
        EXPECT_FALSE(action->isChecked());
        EXPECT_TRUE(action->shortcut().isEmpty());
    }
}

QAction* findAction(QWidget& view, const std::string& name, int index) {
    for (QAction* action : view.findChildren<QAction*>(QString::fromStdString(name))) {
        if (action->data().toInt() == index && !action->isSeparator() &&
            action->menu() == nullptr) {
            return action;
        }
    }
    return nullptr;
}

struct CommandCase {
    std::string name;
    int index;
    std::string call;
};

TEST_F(ViewTest, EveryMenuItemCallsItsHandlerWithItsIndex) {
    const std::vector<CommandCase> cases{
        {"MnuMidiDeviceReFind", 0, "MnuMidiDeviceReFind_Click(0)"},
        {"MnuMidiDeviceReFind", 1, "MnuMidiDeviceReFind_Click(1)"},
        {"MnuMidiDeviceDefault", 0, "MnuMidiDeviceDefault_Click(0)"},
        {"MnuMidiDeviceDefault", 1, "MnuMidiDeviceDefault_Click(1)"},
        {"MnuMidiChDefault", -1, "MnuMidiChDefault_Click()"},
        {"MnuAllSoundOff", -1, "MnuAllSoundOff_Click()"},
        {"MnuTopMost", -1, "MnuTopMost_Click()"},
        {"MnuUpdateInCh", -1, "MnuUpdateInCh_Click()"},
        {"MnuShowOption", 0, "MnuShowOption_Click(0)"},
        {"MnuShowOption", 1, "MnuShowOption_Click(1)"},
        {"MnuVersionInfo", -1, "MnuVersionInfo_Click()"},
        {"MnuShowHelp", -1, "MnuShowHelp_Click()"},
        {"MnuShowWeb", -1, "MnuShowWeb_Click()"},
        {"MnuHSNet", 0, "MnuHSNet_Click(0)"},
        {"MnuHSNet", 1, "MnuHSNet_Click(1)"},
        {"MnuAppExit", -1, "MnuAppExit_Click()"},
    };
    for (const CommandCase& command : cases) {
        SCOPED_TRACE(command.call);
        QAction* action = findAction(view, command.name, command.index);
        ASSERT_NE(action, nullptr);
        events.calls.clear();
        action->trigger();
        EXPECT_EQ(events.calls, std::vector<std::string>{command.call});
    }
}

TEST_F(ViewTest, SubmenusAndSeparatorsCallNothing) {
    for (QAction* action : view.findChildren<QAction*>()) {
        if (action->isSeparator() || action->menu() != nullptr) {
            action->trigger();
        }
    }
    EXPECT_TRUE(events.calls.empty());
}

TEST_F(ViewTest, CheckMarksFollowThePresenterNotTheClick) {
    QAction* topMost = findAction(view, "MnuTopMost", -1);
    QAction* updateInCh = findAction(view, "MnuUpdateInCh", -1);
    ASSERT_NE(topMost, nullptr);
    ASSERT_NE(updateInCh, nullptr);

    topMost->trigger();
    EXPECT_EQ(events.count("MnuTopMost_Click()"), 1);
    EXPECT_FALSE(topMost->isChecked());

    view.setChecked(CheckItem::TopMost, true);
    EXPECT_TRUE(topMost->isChecked());
    EXPECT_FALSE(updateInCh->isChecked());
    topMost->trigger();
    EXPECT_TRUE(topMost->isChecked());

    view.setChecked(CheckItem::UpdateInCh, true);
    view.setChecked(CheckItem::TopMost, false);
    EXPECT_TRUE(updateInCh->isChecked());
    EXPECT_FALSE(topMost->isChecked());
}

// A right press on the bare background is the window's; the presenter then
// opens the pop-up, whose first level is shown here.
TEST_F(ViewTest, RightPressOnTheBackgroundOpensThePopupMenu) {
    showActive();
    events.onMouseDown = [this](MouseButton button) {
        if (button == MouseButton::Right) {
            view.popupMenu(true);
        }
    };
    std::vector<std::string> entries;
    whenOpen(activePopup, [&entries](QWidget* popup) {
        for (QAction* action : popup->actions()) {
            entries.push_back(action->isSeparator() ? "-" : action->text().toStdString());
        }
        popup->close();
    });
    const QPoint background(120, 4);
    ASSERT_EQ(view.childAt(background), nullptr);
    QTest::mousePress(view.windowHandle(), Qt::RightButton, {}, background);
    QTest::mouseRelease(view.windowHandle(), Qt::RightButton, {}, background);

    EXPECT_EQ(events.calls, std::vector<std::string>{"Form_MouseDown(2)"});
    EXPECT_EQ(entries,
              (std::vector<std::string>{"MIDIデバイス", "オプション", "-", "バージョン情報", "-",
                                        "ヘルプ", "ホームページ", "-", "終了"}));
    EXPECT_EQ(activePopup(), nullptr);
}

TEST_F(ViewTest, LeftPressOnTheBackgroundIsPassedOnAsLeft) {
    showActive();
    const QPoint background(100, 38);
    ASSERT_EQ(view.childAt(background), nullptr);
    QTest::mouseClick(view.windowHandle(), Qt::LeftButton, {}, background);
    EXPECT_EQ(events.calls, std::vector<std::string>{"Form_MouseDown(1)"});
}

// Clicks `button` on the item `name` of the open menu `menu`.
void clickItem(QWidget* menu, const char* name, Qt::MouseButton button) {
    auto* qmenu = qobject_cast<QMenu*>(menu);
    ASSERT_NE(qmenu, nullptr);
    for (QAction* action : qmenu->actions()) {
        if (action->objectName() == name) {
            QTest::mouseClick(qmenu, button, {}, qmenu->actionGeometry(action).center());
            return;
        }
    }
    FAIL() << "no item " << name;
}

TEST_F(ViewTest, WithDefaultFlagsOnlyTheLeftButtonChoosesAnItem) {
    showActive();
    bool stillOpenAfterRightClick = false;
    whenOpen(activePopup, [&](QWidget* popup) {
        clickItem(popup, "MnuVersionInfo", Qt::RightButton);
        stillOpenAfterRightClick = popup->isVisible() && events.calls.empty();
        clickItem(popup, "MnuVersionInfo", Qt::LeftButton);
    });
    view.popupMenu(false);
    EXPECT_TRUE(stillOpenAfterRightClick);
    EXPECT_EQ(events.calls, std::vector<std::string>{"MnuVersionInfo_Click()"});
}

TEST_F(ViewTest, FromTheBackgroundTheRightButtonChoosesToo) {
    showActive();
    whenOpen(activePopup, [](QWidget* popup) { clickItem(popup, "MnuShowHelp", Qt::RightButton); });
    view.popupMenu(true);
    EXPECT_EQ(events.calls, std::vector<std::string>{"MnuShowHelp_Click()"});
}

} // namespace
} // namespace moxel
