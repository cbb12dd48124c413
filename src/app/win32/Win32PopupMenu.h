#pragma once

// Windows only.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

#include "app/window/MenuTree.h"

namespace moxel {

// The pop-up menu built from the window's menu tree, with the captions of
// its nodes (an item's key at its right). Each item gets a command number;
// track() shows the menu and returns the chosen item's name and index.
class Win32PopupMenu {
  public:
    struct Chosen {
        std::string name;
        int index = -1;
    };

    Win32PopupMenu();
    ~Win32PopupMenu();
    Win32PopupMenu(const Win32PopupMenu&) = delete;
    Win32PopupMenu& operator=(const Win32PopupMenu&) = delete;

    HMENU handle() const { return menu_; }

    // Shows the menu at `at` (screen coordinates; nothing: at the cursor),
    // owned by window, until an item is chosen (with the left button, or with
    // either when eitherButtonChooses) or the menu is dismissed.
    std::optional<Chosen> track(HWND window, bool eitherButtonChooses,
                                std::optional<POINT> at = std::nullopt);

    // The item of a command number (for tests and WM_COMMAND).
    std::optional<Chosen> item(UINT command) const;
    // The item of that name and index (-1: not a menu array).
    void setChecked(std::string_view name, int index, bool checked);

  private:
    void addItems(HMENU menu, const MenuNode& node);

    HMENU menu_;
    std::vector<const MenuNode*> commands_; // command number - kFirstCommand
};

} // namespace moxel
