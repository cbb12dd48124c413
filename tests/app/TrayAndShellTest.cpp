#include "PresenterFixture.h"

namespace moxel::testing {
namespace {

using ::testing::ElementsAre;

class TrayAndShellTest : public PresenterTest {};

TEST_F(TrayAndShellTest, MinimiseGoesToTheTrayAndALeftPressBringsItBack) {
    writeSettings("[Moxel Settings.]\nWindowTopMost=1\n");
    auto& w = started();
    view.log.clear();
    view.state = WindowState::Minimized;
    w.Form_Resize();
    EXPECT_EQ(view.trayTip, "Moxel Ver1.0");
    EXPECT_FALSE(view.visible);

    w.trayIconPressed(TrayPress::Left);
    EXPECT_TRUE(view.visible);
    EXPECT_EQ(view.state, WindowState::Normal);
    EXPECT_FALSE(view.trayTip.has_value());
    EXPECT_THAT(view.log, ElementsAre("trayIcon Moxel Ver1.0", "hide", "restore", "topMost on",
                                      "removeTrayIcon"));
}

TEST_F(TrayAndShellTest, OnlyTheValueOnePutsTheRestoredWindowOnTop) {
    writeSettings("[Moxel Settings.]\nWindowTopMost=2\n");
    auto& w = started();
    view.state = WindowState::Minimized;
    w.Form_Resize();
    w.trayIconPressed(TrayPress::Left);
    EXPECT_EQ(view.topMostCalls, 0);
}

TEST_F(TrayAndShellTest, RightPressesOpenThePopUpWithTheirButtonRules) {
    auto& w = started();
    view.state = WindowState::Minimized;
    w.Form_Resize();
    w.trayIconPressed(TrayPress::Right); // only the left button chooses; window stays hidden
    w.Form_MouseDown(MouseButton::Left);
    w.Form_MouseDown(MouseButton::Right); // either button chooses
    EXPECT_THAT(view.popups, ElementsAre(false, true));
    EXPECT_FALSE(view.visible);
}

TEST_F(TrayAndShellTest, WithoutANotificationAreaMinimiseStaysOrdinary) {
    auto& w = started();
    view.tray = false;
    view.state = WindowState::Minimized;
    w.Form_Resize();
    EXPECT_TRUE(view.visible);
    EXPECT_FALSE(view.trayTip.has_value());
}

TEST_F(TrayAndShellTest, ExitFromTheTrayRemovesTheIcon) {
    auto& w = make();
    view.whileRunning = [&] {
        view.state = WindowState::Minimized;
        w.Form_Resize();
        w.MnuAppExit_Click();
    };
    w.MainLoop();
    EXPECT_FALSE(view.trayTip.has_value());
    EXPECT_TRUE(view.closed);
}

TEST_F(TrayAndShellTest, HelpOpensThePageOrSaysWhereItBelongs) {
    auto& w = started();
    const std::string page = folder.string() + "/manual/moxel.html";
    // Missing, or a folder of that name (the fake knows no regular file).
    std::filesystem::create_directories(page);
    w.MnuShowHelp_Click();
    ASSERT_EQ(view.boxes.size(), 1U);
    EXPECT_EQ(view.boxes[0].title, "Moxel - ヘルプ読み込み失敗");
    EXPECT_EQ(view.boxes[0].text, "moxel.htmlが見つかりませんでした。\r\nmoxel.htmは、" +
                                      folder.string() + "/manual/内に置いて下さい。");
    EXPECT_EQ(view.boxes[0].icon, MessageIcon::None);
    EXPECT_TRUE(shell.opened.empty());

    shell.regularFiles = {page};
    w.MnuShowHelp_Click();
    EXPECT_THAT(shell.opened, ElementsAre(page));
    EXPECT_EQ(view.boxes.size(), 1U);
}

TEST_F(TrayAndShellTest, HelpPathAtTheRootFolderHasOneSeparator) {
    window = std::make_unique<FrmMIDIMain>(
        view, backend, shell, relay, [] { return 0U; }, AppEnvironment{"/", "", folder.string()});
    view.events = window.get();
    window->InitApplication();
    shell.regularFiles = {"/manual/moxel.html"};
    window->MnuShowHelp_Click();
    EXPECT_THAT(shell.opened, ElementsAre("/manual/moxel.html"));
}

TEST_F(TrayAndShellTest, WebItemsOpenTheirAddressesAndUnknownIndexesNothing) {
    auto& w = started();
    w.MnuShowWeb_Click();
    w.MnuHSNet_Click(0);
    w.MnuHSNet_Click(1);
    w.MnuHSNet_Click(2);
    w.MnuHSNet_Click(-1);
    ASSERT_EQ(shell.opened.size(), 3U);
    for (const auto& address : shell.opened) {
        // relative defaults resolve against the program folder
        EXPECT_TRUE(address.find("://") != std::string::npos || address.starts_with("/"))
            << address;
    }
    EXPECT_NE(shell.opened[0], shell.opened[1]);
    EXPECT_NE(shell.opened[1], shell.opened[2]);
}

TEST_F(TrayAndShellTest, SoundUtilitiesStartTheFirstProgramThatExists) {
    auto& w = started();
    w.MnuShowOption_Click(0); // nothing installed: silent
    EXPECT_TRUE(shell.started.empty());
    shell.installed = {"xterm", "qpwgraph", "qjackctl"};
    w.MnuShowOption_Click(0);
    w.MnuShowOption_Click(1);
    w.MnuShowOption_Click(7);
    EXPECT_THAT(shell.started, ElementsAre("xterm -e alsamixer", "qjackctl"));
    shell.startFails = true;
    w.MnuShowOption_Click(1);
    EXPECT_TRUE(view.boxes.empty());
}

TEST_F(TrayAndShellTest, VersionBoxShowsTheVersionAndARightsNotice) {
    auto& w = started();
    w.MnuVersionInfo_Click();
    ASSERT_EQ(view.boxes.size(), 1U);
    EXPECT_TRUE(view.boxes[0].text.starts_with("SoftWare Version = 1.0\r\n"));
    EXPECT_GT(view.boxes[0].text.size(), std::string("SoftWare Version = 1.0\r\n").size());
    EXPECT_EQ(view.boxes[0].title, "");
}

} // namespace
} // namespace moxel::testing
