// The notification area, the pop-up menu, and the commands that lead out of
// the program.
#include "PresenterFixture.h"
#include "app/window/Texts.h"

namespace moxel::testing {
namespace {

TEST_F(PresenterTest, MinimiseGoesToTheTrayAndALeftPressBringsItBack) {
    for (const char* topMost : {"1", "2"}) {
        writeSettings(std::string("[Moxel Settings.]\nWindowTopMost=") + topMost + "\n");
        auto& w = started();
        view.log.clear();
        view.state = WindowState::Minimized;
        w.Form_Resize();
        EXPECT_FALSE(view.visible);
        w.trayIconPressed(TrayPress::Left);
        EXPECT_TRUE(view.visible);
        EXPECT_FALSE(view.trayTip.has_value());
        // Only the value 1 puts the restored window on top.
        std::vector<std::string> expected{"trayIcon Moxel Ver1.0", "hide", "restore",
                                          "removeTrayIcon"};
        if (topMost == std::string("1")) {
            expected.insert(expected.begin() + 3, "topMost on");
        }
        EXPECT_EQ(view.log, expected);
    }
    view.tray = false; // without a notification area minimise stays ordinary
    view.state = WindowState::Minimized;
    window->Form_Resize();
    EXPECT_TRUE(view.visible);
    EXPECT_FALSE(view.trayTip.has_value());
}

TEST_F(PresenterTest, RightPressesOpenThePopUpWithTheirButtonRules) {
    auto& w = started();
    view.state = WindowState::Minimized;
    w.Form_Resize();
    view.log.clear();
    w.trayIconPressed(TrayPress::Right); // the window stays hidden
    w.Form_MouseDown(MouseButton::Left);
    w.Form_MouseDown(MouseButton::Right);
    EXPECT_THAT(view.log, ElementsAre("popup left", "popup either"));
    EXPECT_FALSE(view.visible);
}

TEST_F(PresenterTest, HelpOpensThePageOrSaysWhereItBelongs) {
    auto& w = started();
    const std::string page = folder.string() + "/manual/moxel.html";
    w.MnuShowHelp_Click(); // missing (or a folder: the fake knows no regular file)
    ASSERT_EQ(view.boxes.size(), 1U);
    EXPECT_EQ(view.boxes[0].title, "Moxel - ヘルプ読み込み失敗");
    EXPECT_EQ(view.boxes[0].text, "moxel.htmlが見つかりませんでした。\r\nmoxel.htmは、" +
                                      folder.string() + "/manual/内に置いて下さい。");
    EXPECT_EQ(view.boxes[0].icon, MessageIcon::None);
    shell.regularFiles = {page, "/manual/moxel.html"};
    w.MnuShowHelp_Click();
    make("/").InitApplication(); // at the root folder: one separator
    window->MnuShowHelp_Click();
    const std::string installed = "/usr/bin/../share/moxel/manual/moxel.html";
    shell.regularFiles = {installed}; // an installed program: in its data folder
    make("/usr/bin").InitApplication();
    window->MnuShowHelp_Click();
    EXPECT_THAT(shell.opened, ElementsAre(page, "/manual/moxel.html", installed));
}

TEST_F(PresenterTest, WebItemsAndSoundUtilitiesOpenWhatTheyNameAndUnknownIndexesNothing) {
    auto& w = started();
    w.MnuShowWeb_Click();
    shell.installed = {"xterm", "qpwgraph", "qjackctl"};
    for (const std::int16_t index : {0, 1, 2, -1}) {
        w.MnuHSNet_Click(index);
        w.MnuShowOption_Click(index); // the first candidate that is installed
    }
    ASSERT_EQ(shell.opened.size(), 3U); // relative addresses: in the program folder
    for (const auto& address : shell.opened) {
        EXPECT_TRUE(address.starts_with("/") || address.find("://") != std::string::npos);
    }
    EXPECT_NE(shell.opened[0], shell.opened[1]);
    EXPECT_NE(shell.opened[1], shell.opened[2]);
    EXPECT_THAT(shell.started, ElementsAre("xterm -e alsamixer", "qjackctl"));
    shell.installed.clear(); // nothing installed, or a start that fails: silent
    w.MnuShowOption_Click(0);
    shell.installed = {"qjackctl"};
    shell.startFails = true;
    w.MnuShowOption_Click(1);
    EXPECT_EQ(shell.started.size(), 3U);
    EXPECT_TRUE(view.boxes.empty());
}

TEST_F(PresenterTest, InEnglishTheBoxesAndTheHelpPageAreEnglish) {
    setLanguage(Language::English);
    startedWith({device("keys:out", CapsResult::Ok, OpenResult::InUse)}, {});
    shell.regularFiles = {folder.string() + "/manual/moxel.en.html"};
    window->MnuShowHelp_Click();
    window->MnuShowWeb_Click();
    setLanguage(Language::Japanese);
    ASSERT_EQ(view.boxes.size(), 1U);
    EXPECT_EQ(view.boxes[0].text, "keys:out\r\n\r\n" +
                                      std::string(text(Text::InUseIn, Language::English)) + "\r\n" +
                                      std::string(text(Text::InUseOther, Language::English)));
    EXPECT_THAT(shell.opened, ElementsAre(shell.regularFiles[0], HasSubstr("moxel.en.html#")));
}

TEST_F(PresenterTest, VersionBoxShowsTheVersionAndARightsNotice) {
    auto& w = started();
    w.MnuVersionInfo_Click();
    ASSERT_EQ(view.boxes.size(), 1U);
    EXPECT_THAT(view.boxes[0].text, ::testing::StartsWith("SoftWare Version = 1.0\r\n"));
    EXPECT_GT(view.boxes[0].text.size(), std::string("SoftWare Version = 1.0\r\n").size());
    EXPECT_EQ(view.boxes[0].title, "");
}

} // namespace
} // namespace moxel::testing
