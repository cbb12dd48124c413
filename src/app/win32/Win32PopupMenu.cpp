#include "app/win32/Win32PopupMenu.h"

#include "app/win32/LiteralText.h"

namespace moxel {

namespace {

constexpr UINT kFirstCommand = 1000;

} // namespace

Win32PopupMenu::Win32PopupMenu() : menu_(CreatePopupMenu()) {
    addItems(menu_, mainMenu());
}

Win32PopupMenu::~Win32PopupMenu() {
    DestroyMenu(menu_);
}

void Win32PopupMenu::addItems(HMENU menu, const MenuNode& node) {
    for (const MenuNode& child : node.children) {
        switch (child.kind) {
        case MenuKind::Separator:
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            break;
        case MenuKind::Submenu: {
            const HMENU submenu = CreatePopupMenu();
            addItems(submenu, child);
            AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(submenu),
                        literalText(child.caption).c_str());
            break;
        }
        case MenuKind::Item:
            commands_.push_back(&child);
            // A menu shows the text after a tab as the item's key, at the right.
            AppendMenuW(menu, MF_STRING, kFirstCommand + commands_.size() - 1,
                        literalText(child.shortcut.empty() ? child.caption
                                                           : child.caption + '\t' + child.shortcut)
                            .c_str());
            break;
        }
    }
}

std::optional<Win32PopupMenu::Chosen> Win32PopupMenu::item(UINT command) const {
    if (command < kFirstCommand || command - kFirstCommand >= commands_.size()) {
        return std::nullopt;
    }
    const MenuNode& node = *commands_[command - kFirstCommand];
    return Chosen{node.name, node.index};
}

void Win32PopupMenu::setChecked(std::string_view name, int index, bool checked) {
    for (std::size_t i = 0; i < commands_.size(); ++i) {
        if (commands_[i]->name == name && commands_[i]->index == index && commands_[i]->checkable) {
            CheckMenuItem(menu_, static_cast<UINT>(kFirstCommand + i),
                          MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
        }
    }
}

// The owner comes to the foreground first and gets a message after, or the
// menu would not close when the user clicks elsewhere (also while the window
// is hidden behind its notification icon).
std::optional<Win32PopupMenu::Chosen> Win32PopupMenu::track(HWND window, bool eitherButtonChooses,
                                                            std::optional<POINT> at) {
    POINT cursor{};
    GetCursorPos(&cursor);
    cursor = at.value_or(cursor);
    SetForegroundWindow(window);
    const UINT flags = TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN |
                       (eitherButtonChooses ? TPM_RIGHTBUTTON : TPM_LEFTBUTTON);
    const auto command =
        static_cast<UINT>(TrackPopupMenuEx(menu_, flags, cursor.x, cursor.y, window, nullptr));
    PostMessageW(window, WM_NULL, 0, 0);
    return item(command);
}

} // namespace moxel
