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
        w.Form_Resize(WindowState::Minimized);
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
    window->Form_Resize(WindowState::Minimized);
    EXPECT_TRUE(view.visible);
    EXPECT_FALSE(view.trayTip.has_value());
}

TEST_F(PresenterTest, RightPressesOpenThePopUpWithTheirButtonRules) {
    auto& w = started();
    w.Form_Resize(WindowState::Minimized);
    view.log.clear();
    w.trayIconPressed(TrayPress::Right); // the window stays hidden
    w.Form_MouseDown(MouseButton::Left);
    w.Form_MouseDown(MouseButton::Right);
    w.contextMenuFromKeyboard(); // the menu key: as the right button, at the focused control
    EXPECT_THAT(view.log, ElementsAre("popup left", "popup either", "popup either at the focus"));
    EXPECT_FALSE(view.visible);
}

// The file: URL of the temporary folder, which has plain characters only.
std::string folderUrl(const std::filesystem::path& folder) {
#ifdef _WIN32
    return "file:///" + folder.generic_string();
#else
    return "file://" + folder.generic_string();
#endif
}

TEST_F(PresenterTest, HelpOpensThePageOrSaysWhereItBelongs) {
    // A program folder whose name no narrow code page holds.
    const std::filesystem::path program = folder / pathFromUtf8("\u30E2\u30AF \u00E9");
    const std::string encoded = "/%E3%83%A2%E3%82%AF%20%C3%A9";
    std::filesystem::create_directory(program);
    auto& w = make(utf8FromPath(program));
    w.InitApplication();
    constexpr auto separator = static_cast<char>(std::filesystem::path::preferred_separator);
    const std::string manual = utf8FromPath(program) + separator + "manual" + separator;
    w.MnuShowHelp_Click(); // missing (or a folder: the fake knows no regular file)
    ASSERT_EQ(view.boxes.size(), 1U);
    EXPECT_EQ(view.boxes[0].title, "Moxel - ヘルプ読み込み失敗");
    EXPECT_EQ(view.boxes[0].text, "moxel.htmlが見つかりませんでした。\r\nmoxel.htmは、" + manual +
                                      "内に置いて下さい。");
    EXPECT_EQ(view.boxes[0].icon, MessageIcon::None);
    EXPECT_TRUE(shell.opened.empty());

    shell.regularFiles = {manual + "moxel.html"};
    w.MnuShowHelp_Click();
    EXPECT_THAT(shell.opened, ElementsAre(folderUrl(folder) + encoded + "/manual/moxel.html"));
}

TEST_F(PresenterTest, AtTheRootTheHelpPathHasOneSeparator) {
#ifdef _WIN32
    const std::string root = "C:\\";
    const std::string url = "file:///C:/manual/moxel.html";
#else
    const std::string root = "/";
    const std::string url = "file:///manual/moxel.html";
#endif
    shell.regularFiles = {root + "manual" + root.back() + "moxel.html"};
    make(root).InitApplication();
    window->MnuShowHelp_Click();
    EXPECT_THAT(shell.opened, ElementsAre(url));
    EXPECT_TRUE(view.boxes.empty());
#ifndef _WIN32
    const std::string installed = "/usr/bin/../share/moxel/manual/moxel.html";
    shell.regularFiles = {installed}; // an installed program: in its data folder
    make("/usr/bin").InitApplication();
    window->MnuShowHelp_Click();
    EXPECT_THAT(shell.opened, ElementsAre(url, "file://" + installed));
#endif
}

TEST_F(PresenterTest, WebItemsAndSoundUtilitiesOpenWhatTheyNameAndUnknownIndexesNothing) {
    auto& w = started();
    w.MnuShowWeb_Click();
#ifdef _WIN32
    shell.installed = {"sndvol32.exe", "rundll32.exe"};
    const std::string second = "rundll32.exe";
    const auto expected =
        ElementsAre("sndvol32.exe", "rundll32.exe shell32.dll,Control_RunDLL mmsys.cpl");
#else
    shell.installed = {"xterm", "qpwgraph", "qjackctl"};
    const std::string second = "qjackctl";
    const auto expected = ElementsAre("xterm -e alsamixer", "qjackctl");
#endif
    for (const std::int16_t index : {0, 1, 2, -1}) {
        w.MnuHSNet_Click(index);
        w.MnuShowOption_Click(index); // the first candidate that is installed
    }
    ASSERT_EQ(shell.opened.size(), 3U);
    for (const auto& address : shell.opened) { // relative addresses: in the program folder
        EXPECT_TRUE(address.find("://") != std::string::npos) << address;
        if (address.starts_with("file:")) {
            EXPECT_TRUE(address.starts_with(folderUrl(folder) + "/")) << address;
        }
    }
    EXPECT_NE(shell.opened[0], shell.opened[1]);
    EXPECT_NE(shell.opened[1], shell.opened[2]);
    EXPECT_THAT(shell.started, expected);
    shell.installed.clear(); // nothing installed, or a start that fails: silent
    w.MnuShowOption_Click(0);
    shell.installed = {second};
    shell.startFails = true;
    w.MnuShowOption_Click(1);
    EXPECT_EQ(shell.started.size(), 3U);
    EXPECT_TRUE(view.boxes.empty());
}

TEST_F(PresenterTest, InEnglishTheBoxesAndTheHelpPageAreEnglish) {
    setLanguage(Language::English);
    startedWith({device("keys:out", midi::CapsResult::Ok, midi::OpenResult::InUse)}, {});
    shell.regularFiles = {utf8FromPath(folder / "manual" / "moxel.en.html")};
    window->MnuShowHelp_Click();
    window->MnuShowWeb_Click();
    setLanguage(Language::Japanese);
    ASSERT_EQ(view.boxes.size(), 1U);
    EXPECT_EQ(view.boxes[0].text, "keys:out\r\n\r\n" +
                                      std::string(text(Text::InUseIn, Language::English)) + "\r\n" +
                                      std::string(text(Text::InUseOther, Language::English)));
    EXPECT_THAT(shell.opened, ElementsAre(folderUrl(folder) + "/manual/moxel.en.html",
                                          HasSubstr("moxel.en.html#")));
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
