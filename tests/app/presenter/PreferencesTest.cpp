// The four commands that store the window's choices in setting.ini.
#include <cerrno>
#include <future>
#include <thread>

#include "PresenterFixture.h"
#include "app/window/Texts.h"
#include "settings/AtomicFile.h"

namespace moxel::testing {
namespace {

TEST_F(PresenterTest, DefaultDevicesAreStoredAndOpenAtTheNextStart) {
    auto& w = startedWith({device("Keys"), device("Pads")}, {device("Synth"), device("Drums")});
    choose(ListId::MidiIn, 1);
    w.MnuMidiDeviceDefault_Click(0);
    choose(ListId::MidiOut, 1);
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
    backend.inputs = {device("Busy", midi::CapsResult::Ok, midi::OpenResult::InUse)};
    auto& w = started(); // and no output at all: only the placeholder
    ASSERT_EQ(list(ListId::MidiIn)[0], "1|---(Alloc Other Application)---");
    w.MnuMidiDeviceDefault_Click(0);
    choose(ListId::MidiOut, 0);
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

// Two MIDI systems, each with its own keys in setting.ini, behind one
// scripted service: using the other one makes the service list that system's
// devices.
constexpr midi::MidiSystem kTwo[] = {{"jack", "", "", "", "", nullptr},
                                     {"alsa", "", "", "", "Alsa", nullptr}};

struct TwoSystems : midi::MidiSystemChoice {
    explicit TwoSystems(FakeBackend& fake) : backend(fake) {}
    midi::MidiSystems systems() override { return kTwo; }
    const midi::MidiSystem& current() override { return *now; }
    void use(const midi::MidiSystem& system) override {
        now = &system;
        backend.calls.emplace_back("use " + std::string(system.key));
        backend.outputs = outputs[&system - kTwo];
    }
    FakeBackend& backend;
    const midi::MidiSystem* now = &kTwo[0];
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
    EXPECT_TRUE(view.checks[midiSystemItem(0)] && !view.checks[midiSystemItem(1)]);
    backend.calls.clear();
    w.MnuMidiSystem_Click(1); // closed with a reset, the ALSA default opened
    EXPECT_THAT(backend.calls, ElementsAre("resetOutput 1", "closeOutput 1", "use alsa", "inputs",
                                           "outputs", "openOutput 1"));
    EXPECT_THAT(list(ListId::MidiOut), ElementsAre("1|Synth:a", "2|Synth:b"));
    EXPECT_TRUE(view.checks[midiSystemItem(1)] && !view.checks[midiSystemItem(0)]);
    choose(ListId::MidiOut, 0);
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
         {std::pair{midi::ServiceProblem::None, Text::Count}, // a server not running yet: no word
          {midi::ServiceProblem::SequencerMissing, Text::SequencerMissing},
          {midi::ServiceProblem::SequencerNotPermitted, Text::SequencerNotPermitted},
          {midi::ServiceProblem::SequencerFailed, Text::SequencerFailed}}) {
        two.now = &kTwo[1];
        backend.service = false;
        backend.problem = problem;
        ::testing::internal::CaptureStderr();
        started().serviceSearchTick();
        backend.problem = midi::ServiceProblem::None;
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

// The command line's choices stand in for the stored ones for the run: the
// devices, one channel for every output (which ends follow mode), or follow
// mode. setting.ini stays as it was.
TEST_F(PresenterTest, TheRunsChoicesStandInForTheStoredOnes) {
    const std::string stored =
        "[Moxel Settings.]\nDefaultMidiIn=keys:out\nDefaultMidiOut=synth:in\n"
        "synth:in=3\ndrums:in=5\nUpdateInCh=1\n";
    const struct {
        const char *input, *output; // the run's
        std::optional<int> channel;
        bool follow;
        int inputOpen, outputOpen, channelSelected; // the outcome
        bool following;
    } cases[] = {
        {"", "", std::nullopt, false, 0, 0, 3, true},
        {"pads:out", "drums:in", std::nullopt, false, 1, 1, 5, true},
        {"", "drums:in", 0, false, 0, 1, 0, false},
        {"", "", std::nullopt, true, 0, 0, 3, true},
    };
    for (const auto& c : cases) {
        writeSettings(stored);
        run = {c.input, c.output, c.channel, c.follow, false};
        startedWith({device("keys:out"), device("pads:out")},
                    {device("synth:in"), device("drums:in")});
        EXPECT_EQ(backend.openInputId() * 10 + backend.openOutputId(),
                  c.inputOpen * 10 + c.outputOpen);
        EXPECT_EQ(selected(ListId::MidiCh), c.channelSelected);
        EXPECT_EQ(relay.outputChannel.load(), c.channelSelected);
        EXPECT_EQ(relay.followInputChannel.load(), c.following);
        EXPECT_EQ(view.checks[CheckItem::UpdateInCh], c.following);
        window->storeWaitingSettings();
        EXPECT_EQ(settingsText(), stored);
    }
}

// A run that only reads setting.ini (without a window) keeps what the
// settings commands choose for itself: it acts, and reads find it.
TEST_F(PresenterTest, ARunThatOnlyReadsTheSettingsStoresNothing) {
    const std::string stored = "[Moxel Settings.]\nUpdateInCh=1\n";
    writeSettings(stored);
    run.settingsReadOnly = true;
    auto& w = startedWith({device("keys:out")}, {device("synth:in")});
    w.MnuMidiDeviceDefault_Click(0);
    choose(ListId::MidiCh, 4);
    w.MnuMidiChDefault_Click();
    w.MnuTopMost_Click();
    w.MnuUpdateInCh_Click();
    w.storeWaitingSettings();
    EXPECT_EQ(settingsText(), stored);
    EXPECT_EQ(w.preferences().defaultDevice(ListId::MidiIn), "keys:out");
    EXPECT_EQ(w.preferences().storedChannel("synth:in"), "4");
    EXPECT_FALSE(relay.followInputChannel.load());
    EXPECT_TRUE(view.topMost);
}

// Each in a box, the settings file's with the file and the reason; the
// unreadable file also on the error output at once. Without a window each is
// a line on the error output.
TEST_F(PresenterTest, ProblemsOfTheSettingsAndTheInstanceCheckAreToldAndTheChoiceStillActs) {
    std::filesystem::create_directory(folder / "setting.ini"); // neither read nor replaced
    instanceProblem = "/tmp/moxel-1 belongs to another user";
    const std::string path = programPath() + "setting.ini";
    const std::string file = path + "\r\n\"" + path + "\"";
    const std::string told[] = {
        "Moxelが既に起動しているかどうかを確認できませんでした。二重に起動しないようご注意下さい。"
        "\r\n/tmp/moxel-1 belongs to another user",
        "設定ファイルを読み込めませんでした。標準の設定で起動します。\r\n" + file +
            " is not a regular file but a folder",
        "設定を保存できませんでした。\r\n" + file + " is not a regular file but a folder"};
    const std::string lines[] = {
        "moxel: Moxelが既に起動しているかどうかを確認できませんでした。"
        "二重に起動しないようご注意下さい。 /tmp/moxel-1 belongs to another user\n",
        "moxel: \"" + path + "\" is not a regular file but a folder; using the defaults\n",
        "moxel: MIDI IN: --- MIDI IN Device Not Found. ---\n"
        "moxel: MIDI OUT: --- MIDI OUT Device Not Found. ---\n"
        "moxel: 設定を保存できませんでした。 " +
            path + ": \"" + path + "\" is not a regular file but a folder\n"};
    for (const bool withoutWindow : {false, true}) {
        SCOPED_TRACE(withoutWindow ? "without a window" : "in the window");
        screenless = withoutWindow;
        ::testing::internal::CaptureStderr();
        started().MnuUpdateInCh_Click();
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  withoutWindow ? lines[0] + lines[1] + lines[2] : lines[1]);
        EXPECT_TRUE(relay.followInputChannel.load());
        ASSERT_EQ(view.boxes.size(), withoutWindow ? 0 : std::size(told));
        for (std::size_t i = 0; i < view.boxes.size(); ++i) {
            EXPECT_EQ(view.boxes[i].text, told[i]);
        }
    }
}

// Another program writing setting.ini until it lets go: its change fails, so
// the file stays as it was.
class FileHeldElsewhere {
  public:
    explicit FileHeldElsewhere(const std::filesystem::path& file)
        : writer_([this, file] {
              updateFileAtomically(file, [this](std::string&) {
                  held_.set_value();
                  letGo_.get_future().wait();
                  return FileResult{EIO, "let go"};
              });
          }) {
        held_.get_future().wait();
    }
    ~FileHeldElsewhere() { letGo(); }
    void letGo() {
        if (writer_.joinable()) {
            letGo_.set_value();
            writer_.join();
        }
    }

  private:
    std::promise<void> held_, letGo_;
    std::thread writer_;
};

// The window never waits for the file: changes wait, in order, the newest
// value of a key winning, and are saved when the file is free (on the retry
// timer, or at the latest when Moxel ends). Told once, after 2 s; what is
// still held when Moxel ends is said on the error output.
TEST_F(PresenterTest, ChangesWaitForASettingsFileThatAnotherProgramHolds) {
    const std::string saved = "[Moxel Settings.]\r\nWindowTopMost=1\r\nUpdateInCh=0\r\nSynth=3\r\n";
    for (const std::string_view end : {"retry", "exit", "held at exit"}) {
        SCOPED_TRACE(end);
        const bool heldAtExit = end == "held at exit";
        std::filesystem::remove(folder / "setting.ini");
        backend.outputs = {device("Synth")};
        auto& w = started();
        FileHeldElsewhere held(folder / "setting.ini");
        w.MnuUpdateInCh_Click(); // 1, then 0 below: only the newest is saved
        w.MnuTopMost_Click();
        w.MnuUpdateInCh_Click();
        choose(ListId::MidiCh, 3);
        w.MnuMidiChDefault_Click();
        EXPECT_EQ(w.preferences().storedChannel("SYNTH"), "3") << "reads find what waits";
        EXPECT_TRUE(view.settingsRetry && view.boxes.empty());
        now += 1999;
        w.settingsRetryTick();
        EXPECT_TRUE(view.boxes.empty());
        now += 1;
        w.settingsRetryTick();
        w.settingsRetryTick();
        ASSERT_EQ(view.boxes.size(), 1U);
        EXPECT_THAT(view.boxes[0].text, HasSubstr("設定をまだ保存できません"));
        if (!heldAtExit) {
            held.letGo();
        }
        ::testing::internal::CaptureStderr();
        if (end == "retry") {
            w.settingsRetryTick();
            EXPECT_FALSE(view.settingsRetry);
        }
        w.MnuAppExit_Click();
        const std::string said = ::testing::internal::GetCapturedStderr();
        held.letGo();
        EXPECT_EQ(std::filesystem::exists(folder / "setting.ini") ? settingsText() : "none",
                  heldAtExit ? "none" : saved);
        EXPECT_EQ(said.find("not saved: UpdateInCh=0") != std::string::npos, heldAtExit) << said;
        EXPECT_EQ(view.boxes.size(), 1U);
    }
}

} // namespace
} // namespace moxel::testing
