// What the Win32 window passes on: list choices, keys, presses, the menu,
// closing, the relay's news, the lamp timer and the patch box.
#include <thread>

#include "ViewFixture.h"
#include "app/window/MenuTree.h"
#include "encoding/Utf16.h"

namespace moxel::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(Win32ViewTest, AChoiceInAListIsOneClickAndMovingThroughADroppedListIsNone) {
    for (const ListId list : {ListId::MidiIn, ListId::MidiCh, ListId::BeatPer}) {
        view.addListItem(list, "1|A");
        view.addListItem(list, "2|B");
        view.addListItem(list, "3|C");
        view.selectIndex(list, 0);
    }
    const HWND in = view.control("CmbMidiIn");
    SetFocus(in);
    SendMessageW(in, WM_KEYDOWN, VK_DOWN, 0); // the closed list moves on: a choice
    settle();
    EXPECT_THAT(events.calls, ElementsAre("CmbMidiIn_Click(1)"));
    events.calls.clear();
    SendMessageW(in, CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(in, WM_KEYDOWN, VK_DOWN, 0); // moving through the open list
    settle();
    EXPECT_THAT(events.calls, IsEmpty());
    SendMessageW(in, WM_KEYDOWN, VK_RETURN, 0); // and choosing
    settle();
    EXPECT_THAT(events.calls, ElementsAre("CmbMidiIn_Click(2)"));
    EXPECT_EQ(view.selectedIndex(ListId::MidiIn), 2);

    events.calls.clear();
    view.selectIndex(ListId::MidiIn, 0); // from code: no click
    for (const char* name : {"CmbMidiCh", "CmbBeatPer"}) {
        SetFocus(view.control(name));
        SendMessageW(view.control(name), WM_KEYDOWN, VK_DOWN, 0);
        settle();
    }
    EXPECT_THAT(events.calls, ElementsAre("channelChosen(1)", "beatPerChosen(1)"));
}

// The keypad's + and - whichever control has the focus (the window itself
// too, and a dropped-down list), at every repeat; Esc and F2 in the window's
// message loop, once per press, but in a dropped-down list, which keeps Esc
// to close itself (one more right after does nothing); Space and Enter tap
// the focused Beat button at the key-down (Space on Reset clicks it, at the
// key-up); the menu key's WM_CONTEXTMENU (at -1,-1) opens the menu.
TEST_F(Win32ViewTest, TheWindowsKeysReachTheirHandlersWhicheverControlHasTheFocus) {
    struct Key {
        WPARAM key;
        const char* focus; // nullptr: the window itself
        const char* call;  // nullptr: none
        std::size_t times = 1;
    };
    const Key keys[] = {
        {VK_ADD, "CmbMidiIn", "Form_KeyDown(107)", 2},
        {VK_SUBTRACT, "CmdTempoBeat", "Form_KeyDown(109)", 2},
        {VK_ADD, "CmbBeatPer", "Form_KeyDown(107)", 2},
        {VK_SUBTRACT, nullptr, "Form_KeyDown(109)", 2},
        {VK_OEM_PLUS, "CmbMidiOut", nullptr},
        {VK_OEM_MINUS, "CmdTempoReset", nullptr},
        {VK_ESCAPE, "CmbMidiIn", "MnuAllSoundOff_Click()"},
        {VK_ESCAPE, "CmdTempoBeat", "MnuAllSoundOff_Click()"},
        {VK_ESCAPE, nullptr, "MnuAllSoundOff_Click()"},
        {VK_F2, "CmbBeatPer", "LblPatch_DblClick()"},
        {VK_F2, "CmdTempoReset", "LblPatch_DblClick()"},
        {VK_SPACE, "CmdTempoBeat", "CmdTempoBeat_MouseDown(1)"},
        {VK_RETURN, "CmdTempoBeat", "CmdTempoBeat_MouseDown(1)"},
        {VK_SPACE, "CmdTempoReset", "CmdTempoReset_Click()"},
        {VK_F3, "CmbMidiCh", nullptr},
    };
    view.addListItem(ListId::MidiIn, "1|A");
    for (const Key& key : keys) {
        SCOPED_TRACE(std::to_string(key.key) + " " + (key.focus != nullptr ? key.focus : "window"));
        const HWND focus = key.focus != nullptr ? view.control(key.focus) : view.window();
        SetFocus(focus);
        events.calls.clear();
        PostMessageW(focus, WM_KEYDOWN, key.key, 1);
        PostMessageW(focus, WM_KEYDOWN, key.key, 1 | (1L << 30)); // held down: a repeat
        PostMessageW(focus, WM_KEYUP, key.key, 1 | (3L << 30));
        view.processEvents();
        EXPECT_EQ(events.calls, std::vector<std::string>(key.call != nullptr ? key.times : 0,
                                                         key.call != nullptr ? key.call : ""));
    }
    SetFocus(view.control("CmbMidiIn"));
    SendMessageW(view.control("CmbMidiIn"), CB_SHOWDROPDOWN, TRUE, 0);
    events.calls.clear();
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_ADD, 1);
    PostMessageW(view.control("CmbMidiIn"), WM_KEYDOWN, VK_ESCAPE, 1); // the open list's
    PostMessageW(view.control("CmbMidiIn"), WM_KEYDOWN, VK_ESCAPE, 1); // one too many
    view.processEvents();
    EXPECT_THAT(events.calls, ElementsAre("Form_KeyDown(107)"));
    EXPECT_EQ(SendMessageW(view.control("CmbMidiIn"), CB_GETDROPPEDSTATE, 0, 0), FALSE);

    events.calls.clear();
    SendMessageW(view.window(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(view.control("CmbMidiCh")),
                 MAKELPARAM(-1, -1));
    SendMessageW(view.window(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(view.window()),
                 MAKELPARAM(150, 38)); // after a right-button release: no second menu
    EXPECT_THAT(events.calls, ElementsAre("contextMenuFromKeyboard()"));
}

TEST_F(Win32ViewTest, PressesReachTheirOwnHandlers) {
    SendMessageW(view.window(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(150, 38)); // background
    SendMessageW(view.control("LblPatch"), WM_RBUTTONDOWN, MK_RBUTTON, 0); // a label: its own
    SendMessageW(view.control("LblPatch"), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
    SendMessageW(view.control("CmdTempoBeat"), WM_RBUTTONDOWN, MK_RBUTTON, 0); // any button taps
    SendMessageW(view.control("CmdTempoBeat"), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageW(view.control("CmdTempoBeat"), WM_LBUTTONUP, 0, 0);
    SendMessageW(view.control("CmdTempoReset"), BM_CLICK, 0, 0);
    settle();
    EXPECT_THAT(events.calls,
                ElementsAre("Form_MouseDown(2)", "LblPatch_DblClick()", "CmdTempoBeat_MouseDown(2)",
                            "CmdTempoBeat_MouseDown(1)", "CmdTempoReset_Click()"));
    events.calls.clear();
    SendMessageW(view.window(), WM_APP + 1, 1, WM_LBUTTONDOWN); // the notification icon
    SendMessageW(view.window(), WM_APP + 1, 1, WM_RBUTTONDOWN);
    SendMessageW(view.window(), WM_APP + 1, 1, WM_LBUTTONDBLCLK);
    EXPECT_THAT(events.calls, ElementsAre("trayIconPressed(0)", "trayIconPressed(1)"));
}

// The menu's items follow the tree's nodes and captions; each names its
// handler and index.
void expectMenu(Win32PopupMenu& menu, HMENU handle, const MenuNode& node) {
    ASSERT_EQ(GetMenuItemCount(handle), static_cast<int>(node.children.size())) << node.name;
    for (int i = 0; i < GetMenuItemCount(handle); ++i) {
        const MenuNode& child = node.children[static_cast<std::size_t>(i)];
        wchar_t text[128] = {};
        GetMenuStringW(handle, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        if (child.kind == MenuKind::Separator) {
            EXPECT_TRUE(
                (GetMenuState(handle, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) != 0);
            continue;
        }
        EXPECT_EQ(utf8FromWide(text), // a key shows after a tab, at the right
                  child.shortcut.empty() ? child.caption : child.caption + '\t' + child.shortcut);
        if (child.kind == MenuKind::Submenu) {
            expectMenu(menu, GetSubMenu(handle, i), child);
            continue;
        }
        const auto item = menu.item(GetMenuItemID(handle, i));
        ASSERT_TRUE(item.has_value()) << child.name;
        EXPECT_EQ(item->name, child.name);
        EXPECT_EQ(item->index, child.index);
    }
}

TEST_F(Win32ViewTest, TheMenuFollowsTheTreeAndShowsItsCheckMarks) {
    expectMenu(view.menu(), view.menu().handle(), mainMenu());
    const auto checked = [&](const char* name) {
        for (UINT id = 1000; id < 1100; ++id) {
            const auto item = view.menu().item(id);
            if (item && item->name == name) {
                return (GetMenuState(view.menu().handle(), id, MF_BYCOMMAND) & MF_CHECKED) != 0;
            }
        }
        return false;
    };
    view.setChecked(CheckItem::UpdateInCh, true);
    EXPECT_TRUE(checked("MnuUpdateInCh"));
    EXPECT_FALSE(checked("MnuTopMost"));
    view.setChecked(CheckItem::UpdateInCh, false);
    EXPECT_FALSE(checked("MnuUpdateInCh"));
}

TEST_F(Win32ViewTest, CloseIsAskedFirstAndMinimiseIsASizeChange) {
    ShowWindow(view.window(), SW_MINIMIZE);
    EXPECT_EQ(view.windowState(), WindowState::Minimized);
    view.restoreWindow();
    EXPECT_EQ(view.windowState(), WindowState::Normal);
    EXPECT_THAT(events.calls, Contains("Form_Resize(1)"));
    EXPECT_EQ(events.calls.back(), "Form_Resize(0)");
    events.calls.clear();
    view.requestClose();
    EXPECT_THAT(events.calls, ElementsAre("Form_QueryUnload()"));
    EXPECT_TRUE(IsWindow(view.window()));
    events.refuseClose = false;
    SendMessageW(view.window(), WM_ENDSESSION, TRUE, 0); // Windows ends
    EXPECT_EQ(view.window(), nullptr);
}

TEST_F(Win32ViewTest, NewsFromAnyThreadArrivesOnTheUiThread) {
    const std::pair<void (Win32MainView::*)(), const char*> kinds[] = {
        {&Win32MainView::notifyRelayNews, "relayNews()"},
        {&Win32MainView::notifyDevicesChanged, "devicesChanged()"}};
    for (const auto& [notify, handler] : kinds) {
        events.calls.clear();
        std::thread relay([this, notify] {
            for (int i = 0; i < 100; ++i) {
                (view.*notify)();
            }
        });
        relay.join();
        ASSERT_TRUE(pumpUntil([&] { return !events.calls.empty(); })) << handler;
        settle();
        EXPECT_EQ(events.lastThread, std::this_thread::get_id());
        EXPECT_THAT(events.calls, Contains(handler));
        EXPECT_LT(events.calls.size(), 100U) << "news waiting for the UI thread make one message";
    }
}

TEST_F(Win32ViewTest, TheTimersTickOnlyWhileTheyRun) {
    view.setLampTimer(std::chrono::milliseconds(10));
    EXPECT_TRUE(pumpUntil([&] { return events.count("lampTick()") >= 3; }));
    view.setLampTimer(std::chrono::milliseconds(0));
    const int ticks = events.count("lampTick()");
    // Ten periods of the timer without a tick.
    EXPECT_FALSE(pumpUntil([&] { return events.count("lampTick()") != ticks; },
                           std::chrono::milliseconds(100)));
    view.setServiceSearchActive(true); // once a second
    EXPECT_TRUE(pumpUntil([&] { return events.count("serviceSearchTick()") >= 1; },
                          std::chrono::seconds(3)));
    view.setServiceSearchActive(false);
}

// Another thread types into the patch box once it is there, and answers it.
std::thread answer(const wchar_t* text, int button) {
    return std::thread([text, button] {
        HWND box = nullptr;
        pumpUntil([&] {
            box = FindWindowW(nullptr, L"Patch No Change");
            return box != nullptr && IsWindowVisible(box) && GetDlgItem(box, 101) != nullptr;
        });
        for (const WORD key : {VK_SUBTRACT, VK_ADD}) { // the keypad's keys, typed
            INPUT input[2]{};
            input[0].type = input[1].type = INPUT_KEYBOARD;
            input[0].ki.wVk = input[1].ki.wVk = key;
            input[1].ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(2, input, sizeof(INPUT));
        }
        wchar_t typed[8]{};
        pumpUntil([&] { return GetDlgItemTextW(box, 101, typed, 8) == 2; });
        SetDlgItemTextW(box, 101, text);
        PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
    });
}

TEST_F(Win32ViewTest, ThePatchBoxGivesTheTextOrNothingAndKeepsTheKeysTypedIntoIt) {
    std::thread ok = answer(L"5", IDOK);
    EXPECT_EQ(view.inputBox("送信したい\r\n数字で", "Patch No Change"), "5");
    ok.join();
    std::thread cancel = answer(L"7", IDCANCEL);
    EXPECT_EQ(view.inputBox("prompt", "Patch No Change"), std::nullopt);
    cancel.join();
    EXPECT_THAT(events.calls, IsEmpty()); // the keypad's keys were the box's
}

} // namespace
} // namespace moxel::test
