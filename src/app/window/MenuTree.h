#pragma once

#include <string>
#include <vector>

namespace moxel {

enum class MenuKind { Item, Submenu, Separator };

// One item of the menu tree. Items that share a name form a menu array and
// are told apart by their index; a single item has the index -1.
struct MenuNode {
    std::string name;
    std::string caption; // UTF-8; "-" for a separator
    int index = -1;
    MenuKind kind = MenuKind::Item;
    bool checkable = false;
    std::vector<MenuNode> children;
    std::string shortcut; // the key shown beside the item ("Esc"); empty: none
};

// The invisible top-level item MnuMainMenu; its children, in order, are the
// entries of the pop-up menu. Its captions are in the current language.
const MenuNode& mainMenu();

// An item the menu offers to choose, its caption in both languages.
struct MenuChoice {
    std::string japanese, english;
};

// The MIDI systems to choose from, in order: item i of the menu array
// MnuMidiSystem (CheckItem midiSystemItem(i)). The menu offers them where
// there are two or more. Set once at start, before mainMenu() is first read.
void offerMidiSystems(std::vector<MenuChoice> systems);

} // namespace moxel
