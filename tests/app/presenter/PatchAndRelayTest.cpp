// What the window sends and shows: relayed messages and their news, program
// changes from the patch box and the keypad, All Sound Off, tap tempo.
#include "PresenterFixture.h"

namespace moxel::testing {
namespace {

class PatchAndRelayTest : public PresenterTest {
  protected:
    FrmMIDIMain& startedWithDevices() { return startedWith({device("Keys")}, {device("Synth")}); }
};

TEST_F(PatchAndRelayTest, TheChosenChannelAndFollowModeReachTheRelay) {
    auto& w = startedWithDevices();
    choose(ListId::MidiCh, 3);
    backend.receive({0x90, 0x3C, 0x64});
    w.MnuUpdateInCh_Click();
    backend.receive({0x95, 0x3C, 0x64});
    EXPECT_THAT(backend.sent, ElementsAre(Bytes{0x93, 0x3C, 0x64}, Bytes{0x95, 0x3C, 0x64}));
    w.lampTick();                           // the lamps are lit: their turn reads the news
    EXPECT_EQ(selected(ListId::MidiCh), 5); // the list shows the followed channel
}

TEST_F(PatchAndRelayTest, PatchBoxSendsAProgramChangeOnTheSelectedChannel) {
    auto& w = startedWithDevices();
    choose(ListId::MidiCh, 9);

    view.inputAnswers = {std::string("5"),   std::nullopt,      std::string(""),
                         std::string("128"), std::string("-1"), std::string("abc")};
    for (int i = 0; i < 6; ++i) {
        w.LblPatch_DblClick(); // only the first answer is a patch number
    }
    EXPECT_THAT(backend.sent, ElementsAre(Bytes{0xC9, 0x05}));
    EXPECT_EQ(view.captions[LabelId::Patch], "005");
    EXPECT_EQ(w.patches().patch(), 5);
    w.carryOut({InstanceRequest::Kind::Program, 127}); // another start's, the same way
    EXPECT_THAT(backend.sent, ElementsAre(Bytes{0xC9, 0x05}, Bytes{0xC9, 0x7F}));
    EXPECT_EQ(view.captions[LabelId::Patch], "127");
    EXPECT_EQ(w.lamps().level(LampId::Output), 255);
    EXPECT_EQ(view.lastPrompt,
              "Patch No Change|送信したいパッチ エントリーナンバーを入力して下さい。\r\n"
              "数字で0～127までの値を使用できます。\r\n\r\n"
              "お使いの音源によっては、入力値+1になる事があります。");
}

TEST_F(PatchAndRelayTest, KeypadKeysStepThePatchWithWrapAround) {
    auto& w = startedWithDevices();
    w.Form_KeyDown(vkSubtract); // 0 -> 127
    EXPECT_EQ(view.captions[LabelId::Patch], "127");
    w.Form_KeyDown(vkAdd); // 127 -> 0
    w.Form_KeyDown(vkAdd);
    w.Form_KeyDown('+'); // not the keypad's key
    EXPECT_EQ(view.captions[LabelId::Patch], "001");
    EXPECT_THAT(backend.sent, ElementsAre(Bytes{0xC0, 127}, Bytes{0xC0, 0}, Bytes{0xC0, 1}));
}

TEST_F(PatchAndRelayTest, AllSoundOffResetsTheOpenOutputWithoutALamp) {
    auto& w = startedWithDevices();
    backend.calls.clear();
    w.MnuAllSoundOff_Click();
    EXPECT_THAT(backend.calls, ElementsAre("resetOutput 0"));
    EXPECT_EQ(backend.sent.size(), 16U * 3U);
    EXPECT_EQ(w.lamps().level(LampId::Output), 0);
    EXPECT_NE(devices().outputHandle(), 0U); // the output stays open

    bool cancel = false;
    w.Form_QueryUnload(cancel);
    backend.calls.clear();
    w.MnuAllSoundOff_Click(); // nothing open: nothing happens
    EXPECT_TRUE(backend.calls.empty());
    EXPECT_FALSE(w.midiOut(0xC0));
    w.Form_KeyDown(vkAdd); // the caption changes all the same
    EXPECT_EQ(view.captions[LabelId::Patch], "001");
}

TEST_F(PatchAndRelayTest, TapTempoShowsTheAverageAndResetStartsOver) {
    auto& w = started();
    for (const std::uint32_t at : {1000U, 1500U, 2000U, 2600U}) {
        now = at;
        w.CmdTempoBeat_MouseDown(MouseButton::Right);
    }
    EXPECT_EQ(view.captions[LabelId::TempoVal], "110.000");
    choose(ListId::BeatPer, 3); // "8": the next interval counts half
    now = 3100;
    w.CmdTempoBeat_MouseDown(MouseButton::Middle);
    EXPECT_EQ(view.captions[LabelId::TempoVal], "92.000"); // (60 + 120 + 120 + 100 + 60) / 5
    w.CmdTempoReset_Click();
    EXPECT_EQ(view.captions[LabelId::TempoVal], "0.000");
    now = 9000;
    w.CmdTempoBeat_MouseDown(MouseButton::Left);
    EXPECT_EQ(view.captions[LabelId::TempoVal], "0.000"); // first tap: nothing yet
}

} // namespace
} // namespace moxel::testing
