#include "app/window/MenuTree.h"

#include "app/window/Texts.h"
#include "app/window/WindowKeys.h"

namespace moxel {

namespace {

// The tree is built once per language; tx() reads the one being built.
Language building = Language::Japanese;

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
#ifndef _WIN32
                                   // Linux has two MIDI systems to choose from.
                                   separator("MnuLine7"),
                                   checkItem("MnuMidiSystem", tx(Text::MenuMidiSystemJack), 0),
                                   checkItem("MnuMidiSystem", tx(Text::MenuMidiSystemAlsa), 1),
#endif
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

} // namespace

const MenuNode& mainMenu() {
    static const MenuNode trees[] = {
        (building = Language::Japanese, buildMainMenu()),
        (building = Language::English, buildMainMenu()),
    };
    return trees[static_cast<int>(language())];
}

} // namespace moxel
