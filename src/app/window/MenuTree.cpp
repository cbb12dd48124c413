#include "app/window/MenuTree.h"

namespace moxel {

namespace {

MenuNode item(std::string name, std::string caption, int index = -1) {
    return {std::move(name), std::move(caption), index, MenuKind::Item, false, {}};
}

MenuNode checkItem(std::string name, std::string caption) {
    return {std::move(name), std::move(caption), -1, MenuKind::Item, true, {}};
}

MenuNode separator(std::string name) {
    return {std::move(name), "-", -1, MenuKind::Separator, false, {}};
}

MenuNode submenu(std::string name, std::string caption, std::vector<MenuNode> children) {
    return {std::move(name), std::move(caption), -1, MenuKind::Submenu, false, std::move(children)};
}

MenuNode buildMainMenu() {
    return submenu(
        "MnuMainMenu", "メインメニュー",
        {
            submenu("MnuMidiDevice", "MIDIデバイス",
                    {
                        item("MnuMidiDeviceReFind", "MIDI IN デバイスを再検索する", 0),
                        item("MnuMidiDeviceReFind", "MIDI OUT デバイスを再検索する", 1),
                        separator("MnuLine1"),
                        item("MnuMidiDeviceDefault", "現在のMIDI INデバイスを標準にする", 0),
                        item("MnuMidiDeviceDefault", "現在のMIDI OUTデバイスを標準にする", 1),
                        item("MnuMidiChDefault", "現在の出力CHをデバイス標準にする"),
                        separator("MnuLine2"),
                        item("MnuAllSoundOff", "オール・サウンド・オフ"),
                    }),
            submenu("MnuOption", "オプション",
                    {
                        checkItem("MnuTopMost", "常に手前に表示する"),
                        checkItem("MnuUpdateInCh", "MIDI IN側のch設定を反映する"),
                        separator("MnuLine6"),
                        item("MnuShowOption", "ボリュームコントロール", 0),
                        item("MnuShowOption", "マルチメディアのプロパティ", 1),
                    }),
            separator("MnuLine3"),
            item("MnuVersionInfo", "バージョン情報"),
            separator("MnuLine4"),
            item("MnuShowHelp", "ヘルプ"),
            submenu("MnuHomePage", "ホームページ",
                    {
                        item("MnuShowWeb", "Moxelの最新情報"),
                        separator("MnuLine5"),
                        item("MnuHSNet", "Ostrafy network [作者個人サイト]", 0),
                        item("MnuHSNet", "Moxelの紹介ページ", 1),
                    }),
            separator("MnuLine0"),
            item("MnuAppExit", "終了"),
        });
}

} // namespace

const MenuNode& mainMenu() {
    static const MenuNode tree = buildMainMenu();
    return tree;
}

} // namespace moxel
