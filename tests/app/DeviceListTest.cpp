#include "PresenterFixture.h"

namespace moxel::testing {
namespace {

using ::testing::ElementsAre;

TEST_F(PresenterTest, NoDevicesShowPlaceholdersAndOpenNothing) {
    started();
    EXPECT_THAT(list(ListId::MidiIn), ElementsAre("--- MIDI IN Device Not Found. ---"));
    EXPECT_THAT(list(ListId::MidiOut), ElementsAre("--- MIDI OUT Device Not Found. ---"));
    EXPECT_THAT(list(ListId::MidiCh), ElementsAre("----"));
    EXPECT_EQ(selected(ListId::MidiIn), -1);
    EXPECT_EQ(selected(ListId::MidiOut), -1);
    EXPECT_EQ(selected(ListId::MidiCh), 0);
    EXPECT_THAT(backend.calls, ElementsAre("inputCount", "outputCount"));
}

TEST_F(PresenterTest, EntryTextsTellNamesFailuresAndBlankNames) {
    backend.inputs = {
        device("Keys"), device("", CapsResult::Allocated), device("", CapsResult::Failed),
        device(""),     device(" \xE3\x80\x80 "),          device(std::string("Cut\0here", 8)),
        device("Pad  ")};
    backend.outputs = {device("Synth"), device("", CapsResult::Allocated)};
    started();
    EXPECT_THAT(list(ListId::MidiIn),
                ElementsAre("1|Keys", "2|---(Alloc Other Application)---",
                            "3|-------------------------------", "4|", "5|", "6|Cut", "7|Pad  "));
    // Outputs have no in-use text when listed.
    EXPECT_THAT(list(ListId::MidiOut), ElementsAre("1|Synth", "2|-------------------------------"));
    EXPECT_EQ(list(ListId::MidiCh).size(), 16U);
    EXPECT_EQ(list(ListId::MidiCh).front(), "1Ch");
    EXPECT_EQ(list(ListId::MidiCh).back(), "16Ch");
}

TEST_F(PresenterTest, DefaultDeviceIsChosenByNameElseTheFirst) {
    writeSettings("[Moxel Settings.]\nDefaultMidiIn=Twin\nDefaultMidiOut=Nowhere\n");
    backend.inputs = {device("Other"), device("Twin"), device("Twin")};
    backend.outputs = {device("A"), device("B")};
    started();
    EXPECT_EQ(selected(ListId::MidiIn), 1); // the lower of two equal names
    EXPECT_EQ(backend.openInputId(), 1);
    EXPECT_EQ(selected(ListId::MidiOut), 0);
    EXPECT_EQ(backend.openOutputId(), 0);
}

TEST_F(PresenterTest, DevicesNumberedTenAndAboveAreFoundByName) {
    for (int i = 0; i < 12; ++i) {
        backend.outputs.push_back(device("Port " + std::to_string(i)));
        backend.inputs.push_back(device("Src " + std::to_string(i)));
    }
    // Device 11 ("Port 10") by its plain name, the input by the form older
    // versions stored for it ("|" and the name).
    writeSettings("[Moxel Settings.]\nDefaultMidiOut=Port 10\nDefaultMidiIn=|Src 11\nPort 10=6\n");
    auto& w = started();
    EXPECT_EQ(list(ListId::MidiOut)[10], "11|Port 10");
    EXPECT_EQ(backend.openOutputId(), 10);
    EXPECT_EQ(backend.openInputId(), 11);
    EXPECT_EQ(selected(ListId::MidiCh), 6); // its stored channel applies
    EXPECT_EQ(relay.channelPosition.load(), 6);
    EXPECT_EQ(w.strMidiOutChTable(10).name, "Port 10");
}

TEST_F(PresenterTest, ChannelKeysOfOlderVersionsStillApply) {
    for (int i = 0; i < 10; ++i) {
        backend.outputs.push_back(device("Port " + std::to_string(i)));
    }
    writeSettings("[Moxel Settings.]\nDefaultMidiOut=Port 9\n|Port 9=12\n");
    started();
    EXPECT_EQ(selected(ListId::MidiCh), 12);
}

TEST_F(PresenterTest, OpeningAnOutputRestoresItsStoredChannel) {
    writeSettings("[Moxel Settings.]\nB=3\nC=banana\nD=16\n");
    backend.outputs = {device("A"), device("B"), device("C"), device("D")};
    auto& w = started();
    EXPECT_EQ(selected(ListId::MidiCh), 0); // "A" has no key: "0"
    EXPECT_EQ(w.strMidiOutChTable(0).channel, "0");

    view.selectIndex(ListId::MidiOut, 1);
    w.CmbMidiOut_Click();
    EXPECT_EQ(selected(ListId::MidiCh), 3); // 4Ch
    EXPECT_EQ(relay.channelPosition.load(), 3);

    // Texts that are no channel keep the current one.
    for (int id : {2, 3}) {
        view.selectIndex(ListId::MidiOut, id);
        w.CmbMidiOut_Click();
        EXPECT_EQ(backend.openOutputId(), id);
        EXPECT_EQ(selected(ListId::MidiCh), 3);
    }
}

TEST_F(PresenterTest, ChannelTableRowsOutliveDevicesThatDisappear) {
    writeSettings("[Moxel Settings.]\nB=5\n");
    backend.outputs = {device("A"), device("B")};
    auto& w = started();
    backend.outputs = {device("A")};
    w.MnuMidiDeviceReFind_Click(1);
    EXPECT_EQ(w.strMidiOutChTable(1).name, "B");
    EXPECT_EQ(w.strMidiOutChTable(1).channel, "5");
    // A failed name query leaves its row as it was, too.
    backend.outputs = {device("A"), device("", CapsResult::Failed)};
    w.MnuMidiDeviceReFind_Click(1);
    EXPECT_EQ(w.strMidiOutChTable(1).name, "B");
}

TEST_F(PresenterTest, DeviceInUseIsReportedAndMarked) {
    backend.inputs = {device("Keys"), device("Busy", CapsResult::Ok, OpenResult::InUse)};
    backend.outputs = {device("Out"), device("Taken", CapsResult::Ok, OpenResult::InUse)};
    auto& w = started();
    ASSERT_NE(w.lngHMidiIn(), 0U);

    view.selectIndex(ListId::MidiIn, 1);
    w.CmbMidiIn_Click();
    ASSERT_EQ(view.boxes.size(), 1U);
    EXPECT_EQ(view.boxes[0].title, "Midi In Device Open Error");
    EXPECT_EQ(view.boxes[0].text, "Busy\r\n\r\nこのMIDI Inデバイスは、現在使用できません。\r\n"
                                  "他のアプリケーションが使用している可能性があります。");
    EXPECT_EQ(view.boxes[0].icon, MessageIcon::Information);
    EXPECT_EQ(list(ListId::MidiIn)[1], "2|---(Alloc Other Application)---");
    EXPECT_EQ(w.lngHMidiIn(), 0U); // the one open before is closed too
    EXPECT_EQ(backend.openInputHandle(), 0U);

    view.selectIndex(ListId::MidiCh, 7);
    w.channelChosen(7);
    view.selectIndex(ListId::MidiOut, 1);
    w.CmbMidiOut_Click();
    ASSERT_EQ(view.boxes.size(), 2U);
    EXPECT_EQ(view.boxes[1].title, "Midi Out Device Open Error");
    EXPECT_EQ(view.boxes[1].text, "Taken\r\n\r\nこのMIDI Outデバイスは、現在使用できません。\r\n"
                                  "他のアプリケーションが使用している可能性があります。");
    EXPECT_EQ(list(ListId::MidiOut)[1], "2|---(Alloc Other Application)---");
    EXPECT_EQ(w.lngHMidiOut(), 0U);
    EXPECT_EQ(selected(ListId::MidiCh), 7); // no channel restore after a failure

    // Released by the other program: the entry gets its name back.
    backend.inputs[1].open = OpenResult::Ok;
    view.selectIndex(ListId::MidiIn, 1);
    w.CmbMidiIn_Click();
    EXPECT_EQ(list(ListId::MidiIn)[1], "2|Busy");
    EXPECT_NE(w.lngHMidiIn(), 0U);
}

TEST_F(PresenterTest, FailedOpenIsSilentAndLeavesNothingOpen) {
    backend.inputs = {device("Keys"), device("Broken", CapsResult::Ok, OpenResult::Failed)};
    auto& w = started();
    backend.inputs[1].name = "Renamed";
    view.selectIndex(ListId::MidiIn, 1);
    w.CmbMidiIn_Click();
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_EQ(w.lngHMidiIn(), 0U);
    EXPECT_EQ(list(ListId::MidiIn)[1], "2|Broken"); // entry unchanged
    EXPECT_FALSE(relay.inputOpen.load());
}

TEST_F(PresenterTest, SuccessfulOpenRefreshesTheEntryAndReopensTheSameDevice) {
    backend.inputs = {device("Keys")};
    auto& w = started();
    backend.inputs[0].name = "Keys v2";
    backend.calls.clear();
    w.CmbMidiIn_Click(); // the open device chosen again
    EXPECT_THAT(backend.calls, ElementsAre("closeInput 0", "openInput 0", "startInput 0"));
    EXPECT_EQ(list(ListId::MidiIn)[0], "1|Keys v2");
    EXPECT_TRUE(relay.inputOpen.load());
}

TEST_F(PresenterTest, ReFindWithoutDevicesKeepsTheOpenDevice) {
    backend.inputs = {device("Keys")};
    backend.outputs = {device("Synth")};
    auto& w = started();
    backend.inputs.clear();
    backend.outputs.clear();
    backend.calls.clear();
    w.MnuMidiDeviceReFind_Click(0);
    w.MnuMidiDeviceReFind_Click(1);
    w.MnuMidiDeviceReFind_Click(2); // unknown index: nothing
    EXPECT_THAT(backend.calls, ElementsAre("inputCount", "outputCount"));
    EXPECT_NE(w.lngHMidiIn(), 0U);
    EXPECT_NE(w.lngHMidiOut(), 0U);

    // Choosing the placeholder closes it; opening device 0 fails silently.
    view.selectIndex(ListId::MidiIn, 0);
    w.CmbMidiIn_Click();
    EXPECT_EQ(w.lngHMidiIn(), 0U);
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_THAT(list(ListId::MidiIn), ElementsAre("--- MIDI IN Device Not Found. ---"));
}

TEST_F(PresenterTest, ReFindWithDevicesSwitchesThroughCloseThenOpen) {
    backend.outputs = {device("Synth"), device("Drums")};
    writeSettings("[Moxel Settings.]\nDefaultMidiOut=Drums\n");
    auto& w = started();
    backend.calls.clear();
    w.MnuMidiDeviceReFind_Click(1);
    EXPECT_THAT(backend.calls,
                ElementsAre("outputCount", "resetOutput 1", "closeOutput 1", "openOutput 1"));
}

} // namespace
} // namespace moxel::testing

namespace moxel::testing {
namespace {

TEST_F(PresenterTest, LongPortNamesStillFindTheirStoredDefault) {
    const std::string longName = "client-with-a-long-name:" + std::string(150, 'p');
    const std::string sibling = longName.substr(0, 130) + "-other";
    backend.outputs = {device(sibling), device("short"), device(longName)};
    writeSettings("[Moxel Settings.]\nDefaultMidiOut=" + longName + "\n");
    started();
    EXPECT_EQ(backend.openOutputId(), 0); // both begin with the cut value: the first
    backend.outputs = {device("short"), device(longName.substr(0, 127)), device(longName)};
    window.reset();
    view = FakeView{};
    started();
    EXPECT_EQ(backend.openOutputId(), 1); // an exact match wins over a longer name
}

} // namespace
} // namespace moxel::testing
