#include "app/window/MenuTree.h"

#include "app/window/Texts.h"
#include "app/window/WindowKeys.h"

namespace moxel {

namespace {

// The tree is built once per language; tx() reads the one being built.
Language building = Language::Japanese;

std::vector<MenuChoice>& midiSystems() {
    static std::vector<MenuChoice> offered;
    return offered;
}

std::string tx(Text id) {
    return std::string(text(id, building));
}

MenuNode item(std::string name, std::string caption, int index = -1, std::string shortcut = {}) {
    return {std::move(name),    std::move(caption), index, MenuKind::Item, false, {},
            std::move(shortcut)};
}

MenuNode checkItem(std::string name, std::string caption, int index = -1) {
    return {std::move(name), std::move(caption), index, MenuKind::Item, true, {}, {}};
}

MenuNode separator(std::string name) {
    return {std::move(name), "-", -1, MenuKind::Separator, false, {}, {}};
}

MenuNode submenu(std::string name, std::string caption, std::vector<MenuNode> children) {
    return {std::move(name), std::move(caption),  -1, MenuKind::Submenu,
            false,           std::move(children), {}};
}

MenuNode buildMainMenu() {
    return submenu("MnuMainMenu", tx(Text::MenuMain),
                   {
                       submenu("MnuMidiDevice", tx(Text::MenuMidiDevice),
                               {
                                   item("MnuMidiDeviceReFind", tx(Text::MenuReFindIn), 0),
                                   item("MnuMidiDeviceReFind", tx(Text::MenuReFindOut), 1),
                                   separator("MnuLine1"),
                                   item("MnuMidiDeviceDefault", tx(Text::MenuDefaultIn), 0),
                                   item("MnuMidiDeviceDefault", tx(Text::MenuDefaultOut), 1),
                                   item("MnuMidiChDefault", tx(Text::MenuChannelDefault)),
                                   separator("MnuLine2"),
                                   // The key works whichever control has the focus.
                                   item("MnuAllSoundOff", tx(Text::MenuAllSoundOff), -1,
                                        std::string(windowKeyName(WindowKey::AllSoundOff))),
                               }),
                       submenu("MnuOption", tx(Text::MenuOption),
                               {
                                   checkItem("MnuTopMost", tx(Text::MenuTopMost)),
                                   checkItem("MnuUpdateInCh", tx(Text::MenuFollowChannel)),
                                   separator("MnuLine6"),
                                   item("MnuShowOption", tx(Text::MenuVolume), 0),
                                   item("MnuShowOption", tx(Text::MenuMultimedia), 1),
                               }),
                       separator("MnuLine3"),
                       item("MnuVersionInfo", tx(Text::MenuVersion)),
                       separator("MnuLine4"),
                       item("MnuShowHelp", tx(Text::MenuHelp)),
                       submenu("MnuHomePage", tx(Text::MenuHomePage),
                               {
                                   item("MnuShowWeb", tx(Text::MenuNews)),
                                   separator("MnuLine5"),
                                   item("MnuHSNet", tx(Text::MenuAuthor), 0),
                                   item("MnuHSNet", tx(Text::MenuIntro), 1),
                               }),
                       separator("MnuLine0"),
                       item("MnuAppExit", tx(Text::MenuExit)),
                   });
}

// The MIDI systems, where there is a choice, end the MIDI device menu.
MenuNode withMidiSystems(MenuNode menu) {
    if (midiSystems().size() < 2) {
        return menu;
    }
    std::vector<MenuNode>& items = menu.children.front().children;
    items.push_back(separator("MnuLine7"));
    for (std::size_t i = 0; i < midiSystems().size(); ++i) {
        const MenuChoice& system = midiSystems()[i];
        items.push_back(checkItem("MnuMidiSystem",
                                  building == Language::Japanese ? system.japanese : system.english,
                                  static_cast<int>(i)));
    }
    return menu;
}

} // namespace

void offerMidiSystems(std::vector<MenuChoice> systems) {
    midiSystems() = std::move(systems);
}

const MenuNode& mainMenu() {
    static const MenuNode trees[] = {
        (building = Language::Japanese, withMidiSystems(buildMainMenu())),
        (building = Language::English, withMidiSystems(buildMainMenu())),
    };
    return trees[static_cast<int>(language())];
}

} // namespace moxel
