#include <algorithm>

#include "PresenterFixture.h"

namespace moxel::testing {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> without(const std::vector<std::string>& log, const std::string& prefix) {
    std::vector<std::string> kept;
    std::copy_if(log.begin(), log.end(), std::back_inserter(kept),
                 [&](const std::string& line) { return !line.starts_with(prefix); });
    return kept;
}

TEST_F(PresenterTest, InitApplicationRunsItsStepsInOrder) {
    writeSettings("[Moxel Settings.]\r\nWindowTopMost=1\r\n");
    backend.inputs = {device("In A")};
    backend.outputs = {device("Out A")};
    now = 5000;
    auto& w = make();
    // A measurement under way before start-up must be gone afterwards.
    w.CmdTempoBeat_MouseDown(MouseButton::Left);
    view.log.clear();
    w.InitApplication();

    // The view log shows the order of the window work, the backend log the
    // order of the device work.
    const auto& log = view.log;
    const auto position = [&](const std::string& line) {
        return std::find(log.begin(), log.end(), line) - log.begin();
    };
    EXPECT_LT(position("clear BeatPer"), position("select BeatPer 2"));
    EXPECT_LT(position("select BeatPer 2"), position("processEvents"));
    EXPECT_LT(position("processEvents"), position("topMost on")); // settings after events
    EXPECT_LT(position("topMost on"), position("clear MidiIn"));
    EXPECT_LT(position("clear MidiIn"), position("clear MidiCh"));
    EXPECT_LT(static_cast<std::size_t>(position("select MidiOut 0")), log.size());
    EXPECT_EQ(backend.calls.front(), "inputCount");
    EXPECT_THAT(backend.calls, ElementsAre("inputCount", "openInput 0", "startInput 0",
                                           "outputCount", "openOutput 0"));
    EXPECT_EQ(view.lists[ListId::BeatPer], (std::vector<std::string>{"1", "2", "4", "8"}));
    EXPECT_EQ(view.captions[LabelId::TempoVal], "0.000"); // the tempo reset ran
    EXPECT_EQ(w.tempo().lngTempoLastTime(), 0);
    EXPECT_EQ(w.strAppPath(), folder.string() + "/");

    // The relay's news reaches the window only from the end of start-up on.
    backend.receive({0x90, 60, 100});
    EXPECT_EQ(view.relayNotifications, 1);
    EXPECT_EQ(w.lngMidiLamp(0), 255);
    EXPECT_EQ(w.lngMidiLamp(1), 255);
}

TEST_F(PresenterTest, AppPathHasExactlyOneTrailingSeparator) {
    EXPECT_EQ(appPathFromFolder("/opt/moxel"), "/opt/moxel/");
    EXPECT_EQ(appPathFromFolder("/opt/moxel/"), "/opt/moxel/");
    EXPECT_EQ(appPathFromFolder("/"), "/");
}

TEST_F(PresenterTest, StartsWithDefaultsWithoutSettingsFile) {
    backend.inputs = {device("In A"), device("In B")};
    backend.outputs = {device("Out A"), device("Out B")};
    auto& w = started();
    EXPECT_EQ(w.strDefaultMidiIn(), "");
    EXPECT_EQ(w.strDefaultMidiOut(), "");
    EXPECT_EQ(w.lngWindowTopMost(), 0);
    EXPECT_EQ(w.lngUpdateInCh(), 0);
    EXPECT_FALSE(view.topMost);
    EXPECT_EQ(view.topMostCalls, 0);
    EXPECT_FALSE(view.checks[CheckItem::TopMost]);
    EXPECT_FALSE(view.checks[CheckItem::UpdateInCh]);
    EXPECT_EQ(relay.updateInCh.load(), 0);
    EXPECT_EQ(backend.openInputId(), 0);
    EXPECT_EQ(backend.openOutputId(), 0);
    EXPECT_EQ(selected(ListId::MidiCh), 0);
    EXPECT_FALSE(std::filesystem::exists(folder / "setting.ini")); // reading writes nothing
}

TEST_F(PresenterTest, OnlyTheValueOneActsAtStartUp) {
    struct Case {
        const char* topMost;
        const char* updateInCh;
        bool windowOnTop;
        bool checkTop;
        bool checkFollow;
        int relayFollow;
    };
    for (const Case c :
         {Case{"1", "1", true, true, true, 1}, Case{"2", "2", false, false, false, 2},
          Case{"0", "-1", false, false, false, -1}}) {
        SCOPED_TRACE(std::string(c.topMost) + "/" + c.updateInCh);
        writeSettings(std::string("[moxel settings.]\nwindowtopmost=") + c.topMost +
                      "\nUPDATEINCH=" + c.updateInCh + "\n");
        view = FakeView{};
        started();
        EXPECT_EQ(view.topMost, c.windowOnTop);
        EXPECT_EQ(view.checks[CheckItem::TopMost], c.checkTop);
        EXPECT_EQ(view.checks[CheckItem::UpdateInCh], c.checkFollow);
        EXPECT_EQ(relay.updateInCh.load(), c.relayFollow);
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

    EXPECT_TRUE(w.blnAppExit());
    EXPECT_THAT(backend.calls, ElementsAre("closeInput 0", "resetOutput 0", "closeOutput 0"));
    EXPECT_EQ(w.lngHMidiIn(), 0U);
    EXPECT_EQ(w.lngHMidiOut(), 0U);
    // refused once (loop ends), then tray icon removed and the second request
    // goes through
    EXPECT_THAT(without(view.log, "processEvents"),
                ElementsAre("requestClose", "quitEventLoop", "removeTrayIcon", "requestClose"));
    EXPECT_TRUE(view.closed);
}

TEST_F(PresenterTest, CloseWithNoDeviceOpenClosesNothing) {
    auto& w = started();
    backend.calls.clear();
    bool cancel = false;
    w.Form_QueryUnload(cancel);
    EXPECT_TRUE(cancel);
    EXPECT_TRUE(backend.calls.empty());
    cancel = false;
    w.Form_QueryUnload(cancel); // the second request goes through
    EXPECT_FALSE(cancel);
}

TEST_F(PresenterTest, LampsFadeToWhiteAndTheTimerStopsWhenBothAreDark) {
    backend.inputs = {device("In")};
    backend.outputs = {device("Out")};
    auto& w = started();
    backend.receive({0x90, 60, 100});
    ASSERT_TRUE(view.lampTimer);

    w.lampTick();
    // the decay comes before the painting: the first colour is level 250
    EXPECT_EQ(view.lampPaints[LampId::Input].front(), (Rgb{5, 255, 5}));
    EXPECT_EQ(view.lampPaints[LampId::Output].front(), (Rgb{255, 5, 5}));
    for (int turn = 2; turn <= 50; ++turn) {
        w.lampTick();
    }
    EXPECT_EQ(w.lngMidiLamp(0), 5);
    EXPECT_TRUE(view.lampTimer);
    w.lampTick(); // turn 51
    EXPECT_EQ(w.lngMidiLamp(0), 0);
    EXPECT_EQ(view.lampPaints[LampId::Input].back(), (Rgb{255, 255, 255}));
    EXPECT_EQ(view.lampPaints[LampId::Input].size(), 51U);
    EXPECT_FALSE(view.lampTimer);
    w.lampTick(); // a dark lamp is not repainted
    EXPECT_EQ(view.lampPaints[LampId::Input].size(), 51U);
}

TEST_F(PresenterTest, OnlyTheLitLampIsPaintedAndTheTimerRunsUntilItIsDark) {
    backend.inputs = {device("In")};
    auto& w = started(); // no output: only the input lamp lights
    backend.receive({0x90, 60, 100});
    EXPECT_EQ(w.lngMidiLamp(0), 255);
    EXPECT_EQ(w.lngMidiLamp(1), 0);
    for (int turn = 0; turn < 51; ++turn) {
        w.lampTick();
    }
    EXPECT_TRUE(view.lampPaints[LampId::Output].empty());
    EXPECT_FALSE(view.lampTimer);
}

} // namespace
} // namespace moxel::testing

namespace moxel::testing {
namespace {

TEST_F(PresenterTest, CloseRequestDuringStartUpStillClosesTheDevicesItOpens) {
    backend.inputs = {device("In")};
    backend.outputs = {device("Out")};
    auto& w = make();
    bool cancel = false;
    w.Form_QueryUnload(cancel); // e.g. SIGTERM while the window is being set up
    w.MainLoop();
    EXPECT_EQ(backend.openInputHandle(), 0U);
    EXPECT_EQ(backend.openOutputHandle(), 0U);
    EXPECT_TRUE(view.closed);
}

} // namespace
} // namespace moxel::testing
