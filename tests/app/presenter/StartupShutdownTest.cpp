// The window's frame: start-up order and defaults, the close path, and the
// lamps' fade.
#include <algorithm>

#include "PresenterFixture.h"

namespace moxel::testing {
namespace {

TEST_F(PresenterTest, InitApplicationRunsItsStepsInOrder) {
    writeSettings("[Moxel Settings.]\r\nWindowTopMost=1\r\n");
    backend.inputs = {device("In A")};
    backend.outputs = {device("Out A")};
    now = 5000;
    auto& w = make();
    w.CmdTempoBeat_MouseDown(MouseButton::Left); // a measurement under way must be gone
    w.InitApplication();

    const auto at = [&](const std::string& line) {
        return std::ranges::find(view.log, line) - view.log.begin();
    };
    EXPECT_LT(at("clear 3"), at("processEvents"));    // the beat list first
    EXPECT_LT(at("processEvents"), at("topMost on")); // settings after the events
    EXPECT_LT(at("topMost on"), at("clear 0"));       // then the input list
    EXPECT_LT(at("clear 0"), at("clear 1"));          // then the output list
    EXPECT_THAT(list(ListId::BeatPer), ElementsAre("1", "2", "4", "8"));
    now = 6000;
    w.CmdTempoBeat_MouseDown(MouseButton::Left);
    EXPECT_EQ(view.captions[LabelId::TempoVal], "0.000"); // the reset ran: a first tap again
    EXPECT_EQ(w.appPath(), programPath());
}

TEST_F(PresenterTest, NewsTheRelayLeftBeforeTheWindowWasUpIsShownWhenItIs) {
    auto& w = make();
    relay.inputLamp = relay.channelFollowed = true; // MIDI was flowing in already
    w.InitApplication();
    EXPECT_EQ(w.lamps().level(LampId::Input), 255);
    EXPECT_FALSE(relay.inputLamp || relay.channelFollowed); // taken: the next news is news
}

TEST_F(PresenterTest, WithoutSettingsTheFirstDevicesOpenAndOnlyTheValueOneActsAtStartUp) {
    struct Case {
        const char *topMost, *follow; // nullptr: no settings file
        bool onTop, checkFollow;
        int relayFollow;
    };
    for (const Case c : {Case{nullptr, nullptr, false, false, 0}, Case{"1", "1", true, true, 1},
                         Case{"2", "2", false, false, 2}, Case{"0", "-1", false, false, -1}}) {
        SCOPED_TRACE(c.topMost != nullptr ? c.topMost : "no file");
        if (c.topMost != nullptr) {
            writeSettings(std::string("[moxel settings.]\nwindowtopmost=") + c.topMost +
                          "\nUPDATEINCH=" + c.follow + "\n");
        }
        startedWith({device("In A"), device("In B")}, {device("Out A"), device("Out B")});
        EXPECT_EQ(view.topMost, c.onTop);
        EXPECT_EQ(view.checks[CheckItem::TopMost], c.onTop);
        EXPECT_EQ(view.checks[CheckItem::UpdateInCh], c.checkFollow);
        EXPECT_EQ(relay.followInputChannel.load(), c.relayFollow != 0);
        EXPECT_EQ(backend.openInputId() + backend.openOutputId() + selected(ListId::MidiCh), 0);
        EXPECT_EQ(std::filesystem::exists(folder / "setting.ini"), c.topMost != nullptr);
    }
    // Exactly one trailing separator, the system's own where one is added.
    const std::pair<std::string, std::string> folders[] = {
        {"/opt/moxel/", "/opt/moxel/"},
        {"/", "/"},
#ifdef _WIN32
        {"C:\\Program Files\\Moxel", "C:\\Program Files\\Moxel\\"},
        {"C:\\", "C:\\"},
#else
        {"/opt/moxel", "/opt/moxel/"},
#endif
    };
    for (const auto& [given, appPath] : folders) {
        EXPECT_EQ(appPathFromFolder(given), appPath);
    }
}

TEST_F(PresenterTest, FirstCloseRequestClosesInputThenOutputAndEndsTheLoop) {
    backend.inputs = {device("In")};
    backend.outputs = {device("Out")};
    auto& w = make();
    view.whileRunning = [&] {
        backend.calls.clear();
        view.log.clear();
        w.MnuAppExit_Click(); // as the close box would
    };
    w.MainLoop();
    EXPECT_TRUE(w.closing());
    EXPECT_THAT(backend.calls, ElementsAre("closeInput 0", "resetOutput 0", "closeOutput 0"));
    EXPECT_EQ(backend.openInputId() + backend.openOutputId(), -2);
    // refused once (the loop ends), then the icon goes and the second request passes
    EXPECT_THAT(view.log,
                ElementsAre("requestClose", "quitEventLoop", "removeTrayIcon", "requestClose"));
    EXPECT_TRUE(view.closed);
}

TEST_F(PresenterTest, CloseWithNothingOpenClosesNothingAndDuringStartUpStillCloses) {
    auto& w = started();
    backend.calls.clear();
    bool cancel = false;
    w.Form_QueryUnload(cancel);
    EXPECT_TRUE(cancel);
    EXPECT_TRUE(backend.calls.empty());

    backend.inputs = {device("In")};
    backend.outputs = {device("Out")};
    auto& early = make();
    cancel = false;
    early.Form_QueryUnload(cancel); // e.g. SIGTERM while the window is being set up
    early.MainLoop();
    EXPECT_EQ(backend.openInputId() + backend.openOutputId(), -2);
    EXPECT_TRUE(view.closed);
}

// Each tick of the lamp timer runs the 10 ms turns since the last one.
int turnsOfNextTick(const FakeView& view) {
    return static_cast<int>(view.lampInterval / std::chrono::milliseconds(10));
}

TEST_F(PresenterTest, LitLampsFadeToWhiteInFiftyOneTurnsThenTheTimerStops) {
    backend.inputs = {device("In")};
    auto& w = started(); // no output: only the input lamp lights
    backend.receive({0x90, 60, 100});
    int turns = 0;
    std::vector<int> paintedAt; // turns
    const auto& paints = view.lampPaints[LampId::Input];
    while (view.lampTimer && turns < 100) {
        EXPECT_LE(view.lampInterval, std::chrono::milliseconds(30)) << turns;
        turns += turnsOfNextTick(view);
        w.lampTick();
        if (paintedAt.size() < paints.size()) {
            paintedAt.push_back(turns);
        }
    }
    EXPECT_EQ(turns, 51);
    ASSERT_EQ(paints.size(), paintedAt.size());
    // The decay comes before the painting: the first colour is level 250,
    // one turn after the message; then the screen is touched every three
    // turns, each time with the colour the lamp has reached by then.
    EXPECT_EQ(paints.front(), (Rgb{5, 255, 5}));
    EXPECT_EQ(paintedAt.front(), 1);
    for (std::size_t i = 1; i < paints.size(); ++i) {
        const int level = 255 - 5 * paintedAt[i];
        EXPECT_EQ(paints[i], (Rgb{255 - level, 255, 255 - level})) << paintedAt[i];
        EXPECT_LE(paintedAt[i] - paintedAt[i - 1], 3);
    }
    EXPECT_LE(paints.size(), 51U / 3 + 1);
    EXPECT_EQ(paints.back(), (Rgb{255, 255, 255}));
    EXPECT_FALSE(view.lampTimer);
    EXPECT_TRUE(view.lampPaints[LampId::Output].empty());
    w.lampTick(); // a dark lamp is not repainted
    EXPECT_EQ(paints.size(), paintedAt.size());

    backend.outputs = {device("Out")};
    w.MnuMidiDeviceReFind_Click(1);
    backend.receive({0x90, 60, 100});
    w.lampTick();
    EXPECT_EQ(view.lampPaints[LampId::Output].front(), (Rgb{255, 5, 5}));
}

// Steady traffic wakes the window once; while the lamps turn they read the
// news themselves, and news raised as the last turn ends is not left behind.
TEST_F(PresenterTest, WhileTheLampsTurnTheRelayWakesNobodyAndNoNewsIsLost) {
    auto& w = startedWith({device("In")}, {device("Out")});
    for (int tick = 0; tick < 60; ++tick) {
        backend.receive({0x90, 60, 100});
        w.lampTick();
        ASSERT_EQ(w.lamps().level(LampId::Input), 250) << tick; // lit again by each tick's news
    }
    EXPECT_EQ(view.relayWakes, 1);
    EXPECT_EQ(view.lampPaints[LampId::Input].size(), 1U); // the same colour is not painted again
    // Lamps held lit show the same colour: looked at every ten turns.
    EXPECT_EQ(turnsOfNextTick(view), 10);
    // When the traffic stops, the turns of the tick that finds no news count:
    // the lamp has faded by ten turns' worth.
    w.lampTick();
    EXPECT_EQ(w.lamps().level(LampId::Input), 250 - 10 * 5);
    EXPECT_EQ(view.lampPaints[LampId::Input].back(), (Rgb{55, 255, 55}));
    EXPECT_EQ(turnsOfNextTick(view), 3);
    // The last tick paints white and stops; a message in that moment lights
    // the lamp again without a wake.
    view.onLampPaint = [&] {
        if (view.lampPaints[LampId::Output].back() == Rgb{255, 255, 255}) {
            view.onLampPaint = nullptr;
            relay.outputLamp = true;
        }
    };
    for (int tick = 0; tick < 51 && view.onLampPaint; ++tick) {
        w.lampTick();
    }
    EXPECT_EQ(w.lamps().level(LampId::Output), 255);
    EXPECT_TRUE(view.lampTimer);
    EXPECT_EQ(turnsOfNextTick(view), 1);
    EXPECT_EQ(view.relayWakes, 1);
}

} // namespace
} // namespace moxel::testing
