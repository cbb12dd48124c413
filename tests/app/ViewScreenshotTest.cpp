// Pictures of the window and its pop-up menu with realistic contents, for the
// eye and for the README. Written only when MOXEL_SCREENSHOT_DIR names a
// folder; QT_SCALE_FACTOR=2 gives the pictures of a 2x display.
#include <string>

#include <gtest/gtest.h>

#include <QDir>
#include <QMenu>
#include <QScreen>

#include "app/ViewFixture.h"

namespace moxel {
namespace {

using test::ViewTest;

class ViewScreenshots : public ViewTest {
  protected:
    void SetUp() override {
        ViewTest::SetUp();
        folder_ = qEnvironmentVariable("MOXEL_SCREENSHOT_DIR");
        if (folder_.isEmpty()) {
            GTEST_SKIP() << "set MOXEL_SCREENSHOT_DIR to write screenshots";
        }
        QDir().mkpath(folder_);
        fill();
        view.move(40, 40);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    void fill() {
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
        view.setLampColor(LampId::Input, {0, 255, 0});
        view.setLampColor(LampId::Output, {255, 0, 0});
    }

    void save(const QPixmap& picture, const QString& name) {
        ASSERT_FALSE(picture.isNull());
        EXPECT_TRUE(picture.save(folder_ + "/" + name)) << name.toStdString();
    }

    // The screen around the window and every open menu.
    QPixmap grabScreenAroundMenus() {
        QRect area = view.frameGeometry();
        for (QMenu* menu : view.findChildren<QMenu*>()) {
            if (menu->isVisible()) {
                area |= menu->geometry();
            }
        }
        area.adjust(-4, -4, 4, 4);
        return view.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    }

    QString folder_;
};

TEST_F(ViewScreenshots, Window) {
    const QPixmap picture = view.grab();
    EXPECT_EQ(picture.deviceIndependentSize().toSize(), QSize(196, 114));
    save(picture, "window.png");

    view.setCaption(LabelId::TempoVal, "240000.000");
    save(view.grab(), "window-wide-tempo.png");
}

TEST_F(ViewScreenshots, MenuWithEachSubmenu) {
    auto* root = view.findChild<QMenu*>("MnuMainMenu");
    ASSERT_NE(root, nullptr);
    const QPoint at = view.mapToGlobal(QPoint(100, 38));
    root->popup(at);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(root));
    save(grabScreenAroundMenus(), "menu.png");

    for (const char* name : {"MnuMidiDevice", "MnuOption", "MnuHomePage"}) {
        auto* submenu = root->findChild<QMenu*>(name);
        ASSERT_NE(submenu, nullptr);
        root->setActiveAction(submenu->menuAction());
        QTest::keyClick(root, Qt::Key_Right);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(submenu)) << name;
        save(grabScreenAroundMenus(), QString("menu-%1.png").arg(name));
        QTest::keyClick(submenu, Qt::Key_Left);
        ASSERT_TRUE(QTest::qWaitFor([submenu] { return !submenu->isVisible(); }, 5000));
    }
    root->close();
}

} // namespace
} // namespace moxel
