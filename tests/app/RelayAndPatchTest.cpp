#include "PresenterFixture.h"

namespace moxel::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using ::testing::ElementsAre;

class RelayAndPatchTest : public PresenterTest {
  protected:
    FrmMIDIMain& startedWithDevices() {
        backend.inputs = {device("Keys")};
        backend.outputs = {device("Synth")};
        return started();
    }
};

TEST_F(RelayAndPatchTest, RewriteModeSendsOnTheChosenChannel) {
    auto& w = startedWithDevices();
    view.selectIndex(ListId::MidiCh, 3);
    w.channelChosen(3);
    backend.receive({0x90, 0x3C, 0x64});
    backend.receive({0xF8}); // a clock is no channel message
    EXPECT_THAT(backend.sent, ElementsAre(Bytes{0x93, 0x3C, 0x64}, Bytes{0xF8}));
}

TEST_F(RelayAndPatchTest, FollowModeMovesTheChannelListAndKeepsTheMessage) {
    auto& w = startedWithDevices();
    w.MnuUpdateInCh_Click();
    backend.receive({0x95, 0x3C, 0x64});
    EXPECT_THAT(backend.sent, ElementsAre(Bytes{0x95, 0x3C, 0x64}));
    EXPECT_EQ(selected(ListId::MidiCh), 5); // 6Ch
    backend.receive({0xFE});                // active sensing never moves it
    EXPECT_EQ(selected(ListId::MidiCh), 5);
}

TEST_F(RelayAndPatchTest, NothingLeavesWithoutAnOutput) {
    backend.inputs = {device("Keys")};
    auto& w = started();
    w.MnuUpdateInCh_Click();
    backend.receive({0x95, 0x3C, 0x64});
    EXPECT_TRUE(backend.sent.empty());
    EXPECT_EQ(w.lngMidiLamp(0), 255);
    EXPECT_EQ(w.lngMidiLamp(1), 0);
    EXPECT_EQ(selected(ListId::MidiCh), 0);
    EXPECT_FALSE(w.midiOut(0xC0));
}

TEST_F(RelayAndPatchTest, PatchBoxSendsAProgramChangeOnTheSelectedChannel) {
    auto& w = startedWithDevices();
    view.selectIndex(ListId::MidiCh, 9);
    w.channelChosen(9);
    view.inputAnswers = {std::string("5")};
    w.LblPatch_DblClick();
    EXPECT_THAT(backend.sent, ElementsAre(Bytes{0xC9, 0x05}));
    EXPECT_EQ(view.captions[LabelId::Patch], "005");
    EXPECT_EQ(w.lngMidiLamp(1), 255);
    ASSERT_EQ(view.inputPrompts.size(), 1U);
    EXPECT_EQ(view.inputPrompts[0],
              "Patch No Change|送信したいパッチ エントリーナンバーを入力して下さい。\r\n"
              "数字で0～127までの値を使用できます。\r\n\r\n"
              "お使いの音源によっては、入力値+1になる事があります。");
}

TEST_F(RelayAndPatchTest, UnusablePatchAnswersChangeNothing) {
    auto& w = startedWithDevices();
    view.inputAnswers = {std::string("12"),  std::nullopt,      std::string(""),
                         std::string("128"), std::string("-1"), std::string("abc"),
                         std::string("1e2")};
    for (std::size_t i = 0; i < 7; ++i) {
        w.LblPatch_DblClick();
    }
    EXPECT_EQ(w.lngPatchNo(), 12);
    EXPECT_EQ(view.captions[LabelId::Patch], "012");
    EXPECT_EQ(backend.sent.size(), 1U);
}

TEST_F(RelayAndPatchTest, KeypadKeysStepThePatchWithWrapAround) {
    auto& w = startedWithDevices();
    w.Form_KeyDown(vkSubtract); // 0 -> 127
    EXPECT_EQ(view.captions[LabelId::Patch], "127");
    w.Form_KeyDown(vkAdd); // 127 -> 0
    EXPECT_EQ(view.captions[LabelId::Patch], "000");
    w.Form_KeyDown(vkAdd);
    w.Form_KeyDown('+'); // not the keypad's key
    EXPECT_EQ(w.lngPatchNo(), 1);
    EXPECT_THAT(backend.sent, ElementsAre(Bytes{0xC0, 127}, Bytes{0xC0, 0}, Bytes{0xC0, 1}));
}

TEST_F(RelayAndPatchTest, PatchCaptionChangesEvenWithoutAnOutput) {
    auto& w = started();
    w.Form_KeyDown(vkAdd);
    EXPECT_EQ(view.captions[LabelId::Patch], "001");
    EXPECT_TRUE(backend.sent.empty());
}

TEST_F(RelayAndPatchTest, AllSoundOffResetsTheOpenOutputOnly) {
    auto& w = startedWithDevices();
    backend.receive({0x90, 60, 100});
    backend.sent.clear();
    while (w.lngMidiLamp(1) > 0) {
        w.lampTick();
    }
    w.MnuAllSoundOff_Click();
    EXPECT_EQ(backend.sent.size(), 16U * 3U + 1U); // 3 controllers per channel, one note-off
    EXPECT_EQ(w.lngMidiLamp(1), 0);                // no lamp for the reset
    EXPECT_NE(w.lngHMidiOut(), 0U);                // the output stays open

    FrmMIDIMain& quiet = w;
    bool cancel = false;
    quiet.Form_QueryUnload(cancel);
    backend.calls.clear();
    quiet.MnuAllSoundOff_Click(); // nothing open: nothing happens
    EXPECT_TRUE(backend.calls.empty());
}

TEST_F(RelayAndPatchTest, TapTempoShowsTheAverage) {
    auto& w = started();
    for (const std::uint32_t at : {1000U, 1500U, 2000U, 2600U}) {
        now = at;
        w.CmdTempoBeat_MouseDown(MouseButton::Right);
    }
    EXPECT_EQ(view.captions[LabelId::TempoVal], "110.000");
    w.CmdTempoReset_Click();
    EXPECT_EQ(view.captions[LabelId::TempoVal], "0.000");
    now = 9000;
    w.CmdTempoBeat_MouseDown(MouseButton::Middle);
    EXPECT_EQ(view.captions[LabelId::TempoVal], "0.000"); // first tap: nothing yet
}

} // namespace
} // namespace moxel::testing

namespace moxel::testing {
namespace {

TEST_F(PresenterTest, SwitchingTheInputReleasesTheNotesItLeftSounding) {
    backend.inputs = {device("Keys"), device("Pads")};
    backend.outputs = {device("Synth")};
    auto& w = started();
    view.selectIndex(ListId::MidiCh, 2);
    w.channelChosen(2);
    backend.receive({0x90, 60, 100}); // held while the input changes
    view.selectIndex(ListId::MidiIn, 1);
    w.CmbMidiIn_Click();
    ASSERT_EQ(backend.sent.size(), 2U);
    EXPECT_EQ(backend.sent[1], (std::vector<std::uint8_t>{0x82, 60, 0}));
}

} // namespace
} // namespace moxel::testing
