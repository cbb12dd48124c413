#include "PresenterFixture.h"

namespace moxel::testing {
namespace {

using ::testing::HasSubstr;

class SettingsCommandsTest : public PresenterTest {};

TEST_F(SettingsCommandsTest, DefaultDevicesAreStoredAndFoundByTheReadSpelling) {
    backend.inputs = {device("Keys"), device("Pads")};
    backend.outputs = {device("Synth"), device("Drums")};
    auto& w = started();
    view.selectIndex(ListId::MidiIn, 1);
    w.MnuMidiDeviceDefault_Click(0);
    view.selectIndex(ListId::MidiOut, 1);
    w.MnuMidiDeviceDefault_Click(1);
    w.MnuMidiDeviceDefault_Click(2); // unknown index
    EXPECT_EQ(w.strDefaultMidiIn(), "Pads");
    EXPECT_EQ(w.strDefaultMidiOut(), "Drums");
    const std::string text = settingsText();
    EXPECT_THAT(text, HasSubstr("DefaultMIDIIn=Pads"));
    EXPECT_THAT(text, HasSubstr("DefaultMIDIOut=Drums"));
    EXPECT_THAT(text, HasSubstr("[Moxel Settings.]"));

    // The next start opens them.
    window.reset();
    view = FakeView{};
    started();
    EXPECT_EQ(backend.openInputId(), 1);
    EXPECT_EQ(backend.openOutputId(), 1);
}

TEST_F(SettingsCommandsTest, EntriesThatNameNoDeviceAreRefused) {
    backend.inputs = {device("Busy", CapsResult::Ok, OpenResult::InUse)};
    auto& w = started(); // no output at all: only the placeholder
    ASSERT_EQ(list(ListId::MidiIn)[0], "1|---(Alloc Other Application)---");
    w.MnuMidiDeviceDefault_Click(0);
    view.selectIndex(ListId::MidiOut, 0);
    w.MnuMidiDeviceDefault_Click(1);
    w.MnuMidiChDefault_Click();
    EXPECT_EQ(w.strDefaultMidiIn(), "");
    EXPECT_EQ(w.strDefaultMidiOut(), "");
    EXPECT_FALSE(std::filesystem::exists(folder / "setting.ini"));
    EXPECT_TRUE(view.boxes.size() == 1U); // only the in-use box of the start
}

TEST_F(SettingsCommandsTest, ChannelIsStoredForTheDeviceAndRestoredNextTime) {
    backend.outputs = {device("Twin"), device("Twin"), device("Solo")};
    auto& w = started();
    view.selectIndex(ListId::MidiOut, 1);
    w.CmbMidiOut_Click();
    view.selectIndex(ListId::MidiCh, 3);
    w.channelChosen(3);
    w.MnuMidiChDefault_Click();
    // One key serves both; in memory the lower row changes.
    EXPECT_EQ(w.strMidiOutChTable(0).channel, "3");
    EXPECT_EQ(w.strMidiOutChTable(1).channel, "0");
    EXPECT_THAT(settingsText(), HasSubstr("Twin=3"));

    window.reset();
    view = FakeView{};
    auto& again = started(); // opens device 0, "Twin"
    EXPECT_EQ(again.strMidiOutChTable(1).channel, "3");
    EXPECT_EQ(selected(ListId::MidiCh), 3); // 4Ch
    EXPECT_EQ(relay.channelPosition.load(), 3);
}

TEST_F(SettingsCommandsTest, ToggleFollowsTheStoredValueNotTheCheckMark) {
    writeSettings("[Moxel Settings.]\r\nWindowTopMost=2\r\nUpdateInCh=2\r\n");
    auto& w = started();
    EXPECT_FALSE(view.checks[CheckItem::TopMost]);
    EXPECT_EQ(relay.updateInCh.load(), 2); // follow mode is on, unchecked

    w.MnuTopMost_Click(); // 2 counts as on: turns it off
    EXPECT_FALSE(view.topMost);
    EXPECT_EQ(w.lngWindowTopMost(), 0);
    EXPECT_THAT(settingsText(), HasSubstr("WindowTopMost=0\r\n"));
    w.MnuTopMost_Click();
    EXPECT_TRUE(view.topMost);
    EXPECT_TRUE(view.checks[CheckItem::TopMost]);
    EXPECT_THAT(settingsText(), HasSubstr("WindowTopMost=1\r\n"));

    w.MnuUpdateInCh_Click();
    EXPECT_EQ(relay.updateInCh.load(), 0);
    EXPECT_FALSE(view.checks[CheckItem::UpdateInCh]);
    EXPECT_THAT(settingsText(), HasSubstr("UpdateInCh=0\r\n"));
    w.MnuUpdateInCh_Click();
    EXPECT_EQ(relay.updateInCh.load(), 1);
    EXPECT_TRUE(view.checks[CheckItem::UpdateInCh]);
}

TEST_F(SettingsCommandsTest, AFailedWriteIsReportedAndTheChoiceStillActs) {
    auto& w = started();
    // A folder where the file should be: no write can replace it.
    std::filesystem::create_directory(folder / "setting.ini");
    w.MnuUpdateInCh_Click();
    EXPECT_EQ(relay.updateInCh.load(), 1);
    ASSERT_EQ(view.boxes.size(), 1U);
    EXPECT_THAT(view.boxes[0].text, HasSubstr("設定を保存できませんでした。"));
    EXPECT_THAT(view.boxes[0].text, HasSubstr((folder / "setting.ini").string()));
}

TEST_F(SettingsCommandsTest, DeviceNamesTheFormatCannotCarryAreKeptApart) {
    backend.outputs = {device("a=b"), device("[x]"), device("a")};
    writeSettings("[Moxel Settings.]\na=9\n");
    auto& w = started();
    view.selectIndex(ListId::MidiCh, 4);
    w.channelChosen(4);
    w.MnuMidiChDefault_Click(); // for "a=b"
    view.selectIndex(ListId::MidiOut, 1);
    w.CmbMidiOut_Click();
    view.selectIndex(ListId::MidiCh, 5);
    w.channelChosen(5);
    w.MnuMidiChDefault_Click(); // for "[x]"

    window.reset();
    view = FakeView{};
    auto& again = started();
    EXPECT_EQ(again.strMidiOutChTable(0).channel, "4");
    EXPECT_EQ(again.strMidiOutChTable(1).channel, "5");
    EXPECT_EQ(again.strMidiOutChTable(2).channel, "9"); // "a" untouched
}

} // namespace
} // namespace moxel::testing
