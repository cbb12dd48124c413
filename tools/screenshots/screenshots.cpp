// moxel_screenshots: pictures of the window and its pop-up menu with
// realistic contents, for the eye and for the README.
//
// usage: moxel_screenshots FOLDER [--lang ja|en]
// Writes window.png, window-wide-tempo.png, menu.png and one menu-<name>.png
// per submenu into FOLDER. Needs a display (or QT_QPA_PLATFORM=offscreen);
// QT_SCALE_FACTOR=2 gives the pictures of a 2x display.
#include <cstdio>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QScreen>
#include <QTest>

#include "app/qt/QtMainView.h"
#include "app/window/MenuTree.h"
#include "app/window/Texts.h"
#include "midi/systems/BuiltInMidiSystems.h"

namespace {

using moxel::LabelId;
using moxel::ListId;
using moxel::QtMainView;

void fill(QtMainView& view) {
    view.addListItem(ListId::MidiIn, "1|system:midi_capture_1");
    view.selectIndex(ListId::MidiIn, 0);
    view.addListItem(ListId::MidiOut, "1|system:midi_playback_1");
    view.selectIndex(ListId::MidiOut, 0);
    for (int channel = 1; channel <= 16; ++channel) {
        view.addListItem(ListId::MidiCh, std::to_string(channel) + "Ch");
    }
    view.selectIndex(ListId::MidiCh, 0);
    for (const char* beat : {"1", "2", "4", "8"}) {
        view.addListItem(ListId::BeatPer, beat);
    }
    view.selectIndex(ListId::BeatPer, 2);
    view.setCaption(LabelId::TempoVal, "120.000");
    view.setCaption(LabelId::Patch, "005");
    view.setLampColor(moxel::LampId::Input, {0, 255, 0});
    view.setLampColor(moxel::LampId::Output, {255, 0, 0});
}

// The screen around the window and every open menu.
QPixmap grabAroundMenus(QtMainView& view) {
    QRect area = view.frameGeometry();
    for (QMenu* menu : view.findChildren<QMenu*>()) {
        if (menu->isVisible()) {
            area |= menu->geometry();
        }
    }
    area.adjust(-4, -4, 4, 4);
    return view.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
}

bool save(const QPixmap& picture, const QString& file) {
    const bool saved = !picture.isNull() && picture.save(file);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
    return saved;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--lang")) {
        std::fprintf(stderr, "usage: moxel_screenshots FOLDER [--lang ja|en]\n");
        return 2;
    }
    moxel::setLanguage(argc == 4 && std::string(argv[3]) == "en" ? moxel::Language::English
                                                                 : moxel::Language::Japanese);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    std::vector<moxel::MenuChoice> systems; // the program's menu items
    for (const moxel::midi::MidiSystem& system : moxel::midi::builtInMidiSystems()) {
        systems.push_back({std::string(system.menuJapanese), std::string(system.menuEnglish)});
    }
    moxel::offerMidiSystems(std::move(systems));
    QtMainView view;
    fill(view);
    view.move(40, 40);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view)) {
        return 1;
    }
    bool ok = save(view.grab(), folder + "/window.png");
    view.setCaption(LabelId::TempoVal, "240000.000");
    ok = save(view.grab(), folder + "/window-wide-tempo.png") && ok;
    view.setCaption(LabelId::TempoVal, "120.000");

    auto* root = view.findChild<QMenu*>("MnuMainMenu");
    root->popup(view.mapToGlobal(QPoint(100, 38)));
    ok = QTest::qWaitForWindowExposed(root) && ok;
    ok = save(grabAroundMenus(view), folder + "/menu.png") && ok;
    for (const char* name : {"MnuMidiDevice", "MnuOption", "MnuHomePage"}) {
        auto* submenu = root->findChild<QMenu*>(name);
        root->setActiveAction(submenu->menuAction());
        QTest::keyClick(root, Qt::Key_Right);
        ok = QTest::qWaitForWindowExposed(submenu) && ok;
        ok = save(grabAroundMenus(view), folder + "/menu-" + name + ".png") && ok;
        QTest::keyClick(submenu, Qt::Key_Left);
        ok = QTest::qWaitFor([submenu] { return !submenu->isVisible(); }, 5000) && ok;
    }
    root->close();
    return ok ? 0 : 1;
}
