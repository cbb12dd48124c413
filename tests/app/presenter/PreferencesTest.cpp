// The four commands that store the window's choices in setting.ini.
#include "PresenterFixture.h"
#include "app/window/Texts.h"

namespace moxel::testing {
namespace {

TEST_F(PresenterTest, DefaultDevicesAreStoredAndOpenAtTheNextStart) {
    auto& w = startedWith({device("Keys"), device("Pads")}, {device("Synth"), device("Drums")});
    view.selectIndex(ListId::MidiIn, 1);
    w.MnuMidiDeviceDefault_Click(0);
    view.selectIndex(ListId::MidiOut, 1);
    w.MnuMidiDeviceDefault_Click(1);
    w.MnuMidiDeviceDefault_Click(2); // no such item
    EXPECT_EQ(w.preferences().defaultDevice(ListId::MidiIn), "Pads");
    EXPECT_EQ(settingsText(),
              "[Moxel Settings.]\r\nDefaultMIDIIn=Pads\r\nDefaultMIDIOut=Drums\r\n");
    started();
    EXPECT_EQ(backend.openInputId(), 1);
    EXPECT_EQ(backend.openOutputId(), 1);
}

TEST_F(PresenterTest, EntriesThatNameNoDeviceAreRefused) {
    backend.inputs = {device("Busy", CapsResult::Ok, OpenResult::InUse)};
    auto& w = started(); // and no output at all: only the placeholder
    ASSERT_EQ(list(ListId::MidiIn)[0], "1|---(Alloc Other Application)---");
    w.MnuMidiDeviceDefault_Click(0);
    view.selectIndex(ListId::MidiOut, 0);
    w.MnuMidiDeviceDefault_Click(1);
    w.MnuMidiChDefault_Click();
    EXPECT_EQ(w.preferences().defaultDevice(ListId::MidiIn), "");
    EXPECT_FALSE(std::filesystem::exists(folder / "setting.ini"));
}

TEST_F(PresenterTest, ChannelIsStoredForTheDeviceNameAndRestoredNextTime) {
    backend.outputs = {device("Twin"), device("Twin"), device("Solo")};
    auto& w = started();
    choose(ListId::MidiOut, 1);
    choose(ListId::MidiCh, 3);
    w.MnuMidiChDefault_Click();
    // One key serves both; in memory the lower row changes.
    EXPECT_EQ(devices().channels().row(0).channel, "3");
    EXPECT_EQ(devices().channels().row(1).channel, "0");
    EXPECT_THAT(settingsText(), HasSubstr("Twin=3\r\n"));
    started(); // opens device 0, "Twin"
    EXPECT_EQ(devices().channels().row(1).channel, "3");
    EXPECT_EQ(selected(ListId::MidiCh), 3);
}

// Two MIDI systems behind one scripted service: using the other one makes the
// service list that system's devices.
struct TwoSystems : MidiSystemChoice {
    explicit TwoSystems(FakeBackend& fake) : backend(fake) {}
    MidiSystem current() override { return now; }
    void use(MidiSystem system) override {
        now = system;
        backend.calls.emplace_back(std::string("use ") + std::string(keyOf(system)));
        backend.outputs = outputs[system == MidiSystem::Alsa];
    }
    FakeBackend& backend;
    MidiSystem now = MidiSystem::Jack;
    std::vector<FakeBackend::Device> outputs[2];
};

TEST_F(PresenterTest, TheMenuSwitchesTheMidiSystemAndEachKeepsItsOwnDefaults) {
    writeSettings("[Moxel Settings.]\nDefaultMidiOut=jack:b\nAlsaDefaultMidiOut=Synth:b\n");
    TwoSystems two(backend);
    two.outputs[0] = {device("jack:a"), device("jack:b")};
    two.outputs[1] = {device("Synth:a"), device("Synth:b")};
    systems = &two;
    backend.outputs = two.outputs[0];
    auto& w = started();
    EXPECT_EQ(backend.openOutputId(), 1);
    EXPECT_TRUE(view.checks[CheckItem::MidiSystemJack] && !view.checks[CheckItem::MidiSystemAlsa]);
    backend.calls.clear();
    w.MnuMidiSystem_Click(1); // closed with a reset, the ALSA default opened
    EXPECT_THAT(backend.calls, ElementsAre("resetOutput 1", "closeOutput 1", "use alsa", "inputs",
                                           "outputs", "openOutput 1"));
    EXPECT_THAT(list(ListId::MidiOut), ElementsAre("1|Synth:a", "2|Synth:b"));
    EXPECT_TRUE(view.checks[CheckItem::MidiSystemAlsa] && !view.checks[CheckItem::MidiSystemJack]);
    view.selectIndex(ListId::MidiOut, 0);
    w.MnuMidiDeviceDefault_Click(1);
    EXPECT_EQ(settingsText(),
              "[Moxel Settings.]\nDefaultMidiOut=jack:b\nAlsaDefaultMidiOut=Synth:a\n"
              "MidiSystem=alsa\n");
    backend.calls.clear();
    w.MnuMidiSystem_Click(1); // the one in use: nothing closes
    w.MnuMidiSystem_Click(2); // no such item
    EXPECT_TRUE(backend.calls.empty());
}

// Told once each time the ALSA sequencer is chosen, at the start or from the
// menu; the search for it says nothing.
TEST_F(PresenterTest, ASequencerThatCannotBeOpenedIsToldOnceEachTimeItIsChosen) {
    TwoSystems two(backend);
    systems = &two;
    for (const auto& [problem, told] :
         {std::pair{ServiceProblem::None, Text::Count}, // a server not running yet: no word
          {ServiceProblem::SequencerMissing, Text::SequencerMissing},
          {ServiceProblem::SequencerNotPermitted, Text::SequencerNotPermitted},
          {ServiceProblem::SequencerFailed, Text::SequencerFailed}}) {
        two.now = MidiSystem::Alsa;
        backend.service = false;
        backend.problem = problem;
        ::testing::internal::CaptureStderr();
        started().serviceSearchTick();
        backend.problem = ServiceProblem::None;
        window->MnuMidiSystem_Click(0);
        backend.problem = problem;
        window->MnuMidiSystem_Click(1);
        const std::string line =
            told != Text::Count ? "moxel: " + std::string(text(told)) + "\n" : "";
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), line + line);
        ASSERT_EQ(view.boxes.size(), line.empty() ? 0U : 2U) << "at the start and chosen again";
        for (const auto& box : view.boxes) {
            EXPECT_EQ(box.text, text(told));
        }
    }
    systems = nullptr;
}

TEST_F(PresenterTest, TogglesFollowTheStoredValueNotTheCheckMark) {
    writeSettings("[Moxel Settings.]\r\nWindowTopMost=2\r\nUpdateInCh=2\r\n");
    auto& w = started();
    const struct {
        void (FrmMIDIMain::*click)();
        const char* key;
        CheckItem item;
        std::function<bool()> on;
    } toggles[] = {{&FrmMIDIMain::MnuTopMost_Click, "WindowTopMost", CheckItem::TopMost,
                    [&] { return view.topMost; }},
                   {&FrmMIDIMain::MnuUpdateInCh_Click, "UpdateInCh", CheckItem::UpdateInCh,
                    [&] { return relay.followInputChannel.load(); }}};
    for (const auto& t : toggles) {
        for (const bool on : {false, true}) { // 2 counts as on: the first click turns it off
            (w.*t.click)();
            EXPECT_EQ(t.on(), on) << t.key;
            EXPECT_EQ(view.checks[t.item], on) << t.key;
            EXPECT_THAT(settingsText(), HasSubstr(t.key + std::string(on ? "=1" : "=0") + "\r\n"));
        }
    }
}

TEST_F(PresenterTest, AFailedWriteIsReportedAndTheChoiceStillActs) {
    auto& w = started();
    std::filesystem::create_directory(folder / "setting.ini"); // no write can replace it
    w.MnuUpdateInCh_Click();
    EXPECT_TRUE(relay.followInputChannel.load());
    ASSERT_EQ(view.boxes.size(), 1U);
    EXPECT_THAT(view.boxes[0].text, HasSubstr("設定を保存できませんでした。"));
    EXPECT_THAT(view.boxes[0].text, HasSubstr(programPath() + "setting.ini"));
    EXPECT_THAT(view.boxes[0].text, HasSubstr("\" is not a regular file but a folder"));
}

} // namespace
} // namespace moxel::testing
