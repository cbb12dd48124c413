// The device lists: entries, the default device, opening and closing, the
// stored channel of each output, and the re-find commands.
#include "PresenterFixture.h"
#include "app/presenter/ChannelTable.h"

namespace moxel::testing {
namespace {

TEST_F(PresenterTest, NoDevicesShowPlaceholdersAndOpenNothing) {
    started();
    EXPECT_THAT(list(ListId::MidiIn), ElementsAre("--- MIDI IN Device Not Found. ---"));
    EXPECT_THAT(list(ListId::MidiOut), ElementsAre("--- MIDI OUT Device Not Found. ---"));
    EXPECT_THAT(list(ListId::MidiCh), ElementsAre("----"));
    EXPECT_EQ(selected(ListId::MidiIn), -1);
    EXPECT_EQ(selected(ListId::MidiOut), -1);
    EXPECT_EQ(selected(ListId::MidiCh), 0);
    EXPECT_THAT(backend.calls, ElementsAre("inputs", "outputs"));
}

TEST_F(PresenterTest, EntryTextsTellNamesFailuresAndBlankNames) {
    startedWith({device("Keys"), device("", midi::CapsResult::Allocated),
                 device("", midi::CapsResult::Failed), device(" \xE3\x80\x80 "),
                 device(std::string("Cut\0here", 8)), device("Pad  ")},
                {device("Synth"), device("", midi::CapsResult::Allocated)});
    EXPECT_THAT(list(ListId::MidiIn),
                ElementsAre("1|Keys", "2|---(Alloc Other Application)---",
                            "3|-------------------------------", "4|", "5|Cut", "6|Pad  "));
    // Outputs have no in-use text when listed.
    EXPECT_THAT(list(ListId::MidiOut), ElementsAre("1|Synth", "2|-------------------------------"));
    ASSERT_EQ(list(ListId::MidiCh).size(), 16U);
    EXPECT_EQ(list(ListId::MidiCh)[15], "16Ch");
}

TEST_F(PresenterTest, DefaultDeviceIsFoundByItsNameOrAsOlderVersionsStoredIt) {
    for (int i = 0; i < 12; ++i) {
        backend.outputs.push_back(device("Port " + std::to_string(i)));
    }
    backend.inputs = {device("Other"), device("Twin"), device("Twin")};
    // The form older versions stored for devices numbered 10 and above.
    writeSettings("[Moxel Settings.]\nDefaultMidiIn=Twin\nDefaultMidiOut=|Port 9\n|Port 9=12\n");
    started();
    EXPECT_EQ(backend.openInputId(), 1);     // the lower of two equal names
    EXPECT_EQ(backend.openOutputId(), 9);    // numbered 10
    EXPECT_EQ(selected(ListId::MidiCh), 12); // and its stored channel applies
    EXPECT_EQ(relay.outputChannel.load(), 12);
}

TEST_F(PresenterTest, LongPortNamesStillFindTheirStoredDefault) {
    const std::string longName = "client-with-a-long-name:" + std::string(150, 'p');
    backend.outputs = {device("short"), device(longName.substr(0, 130) + "-other"),
                       device(longName)};
    writeSettings("[Moxel Settings.]\nDefaultMidiOut=" + longName + "\n");
    started();
    EXPECT_EQ(backend.openOutputId(), 1); // both begin with the cut value: the first
    backend.outputs = {device("short"), device(longName.substr(0, 127)), device(longName)};
    started();
    EXPECT_EQ(backend.openOutputId(), 1); // an exact match wins over a longer name
}

TEST_F(PresenterTest, OpeningAnOutputRestoresItsStoredChannelIfItIsOne) {
    writeSettings("[Moxel Settings.]\nB=3\nC=banana\nD=16\n");
    backend.outputs = {device("A"), device("B"), device("C"), device("D")};
    started();
    EXPECT_EQ(devices().channels().row(0).channel, "0"); // "A" has no key
    choose(ListId::MidiOut, 1);
    EXPECT_EQ(selected(ListId::MidiCh), 3);
    EXPECT_EQ(relay.outputChannel.load(), 3);
    for (int id : {2, 3}) { // texts that are no channel keep the current one
        choose(ListId::MidiOut, id);
        EXPECT_EQ(backend.openOutputId(), id);
        EXPECT_EQ(selected(ListId::MidiCh), 3);
    }
}

// Rows 0..256 are kept and 0..255 searched: device 257 keeps its row unfound.
TEST(ChannelTable, KeepsRowsUpTo256AndLooksUpTo255) {
    ChannelTable table;
    table.fill(256, "Far", "3");
    EXPECT_EQ(table.row(256).channel, "3");
    EXPECT_FALSE(table.storedPosition("Far", 16) || table.remember("Far", 4));
}

TEST_F(PresenterTest, ChannelTableRowsOutliveDevicesThatDisappear) {
    writeSettings("[Moxel Settings.]\nB=5\n");
    backend.outputs = {device("A"), device("B")};
    auto& w = started();
    for (const auto& second : {std::vector{device("A")},
                               std::vector{device("A"), device("", midi::CapsResult::Failed)}}) {
        backend.outputs = second;
        w.MnuMidiDeviceReFind_Click(1);
        EXPECT_EQ(devices().channels().row(1).name, "B");
        EXPECT_EQ(devices().channels().row(1).channel, "5");
    }
}

TEST_F(PresenterTest, DeviceInUseIsReportedMarkedAndOpensOnceReleased) {
    startedWith({device("Keys"), device("Busy", midi::CapsResult::Ok, midi::OpenResult::InUse)},
                {device("Out"), device("Taken", midi::CapsResult::Ok, midi::OpenResult::InUse)});
    choose(ListId::MidiIn, 1);
    ASSERT_EQ(view.boxes.size(), 1U);
    EXPECT_EQ(view.boxes[0].title, "Midi In Device Open Error");
    EXPECT_EQ(view.boxes[0].text, "Busy\r\n\r\nこのMIDI Inデバイスは、現在使用できません。\r\n"
                                  "他のアプリケーションが使用している可能性があります。");
    EXPECT_EQ(view.boxes[0].icon, MessageIcon::Information);
    EXPECT_EQ(list(ListId::MidiIn)[1], "2|---(Alloc Other Application)---");
    EXPECT_EQ(devices().inputHandle(), 0U); // the one open before is closed too
    EXPECT_EQ(backend.openInputId(), -1);

    choose(ListId::MidiCh, 7);
    choose(ListId::MidiOut, 1);
    ASSERT_EQ(view.boxes.size(), 2U);
    EXPECT_EQ(view.boxes[1].title, "Midi Out Device Open Error");
    EXPECT_THAT(view.boxes[1].text, HasSubstr("このMIDI Outデバイスは、"));
    EXPECT_EQ(list(ListId::MidiOut)[1], "2|---(Alloc Other Application)---");
    EXPECT_EQ(devices().outputHandle(), 0U);
    EXPECT_EQ(selected(ListId::MidiCh), 7); // no channel restore after a failure

    backend.inputs[1].open = midi::OpenResult::Ok; // released by the other program
    choose(ListId::MidiIn, 1);
    EXPECT_EQ(list(ListId::MidiIn)[1], "2|Busy");
    EXPECT_TRUE(relay.inputOpen.load());
}

TEST_F(PresenterTest, FailedOpenIsSilentAndASuccessfulOneRefreshesTheEntry) {
    backend.inputs = {device("Keys"),
                      device("Broken", midi::CapsResult::Ok, midi::OpenResult::Failed)};
    started();
    backend.inputs = {device("Keys v2"),
                      device("Renamed", midi::CapsResult::Ok, midi::OpenResult::Failed)};
    choose(ListId::MidiIn, 1);
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_EQ(devices().inputHandle(), 0U);
    EXPECT_EQ(list(ListId::MidiIn)[1], "2|Broken"); // entry unchanged
    EXPECT_FALSE(relay.inputOpen.load());

    backend.calls.clear();
    choose(ListId::MidiIn, 0);
    choose(ListId::MidiIn, 0); // the open device chosen again: closed and opened again
    EXPECT_THAT(backend.calls, ElementsAre("openInput 0", "startInput 0", "closeInput 0",
                                           "openInput 0", "startInput 0"));
    EXPECT_EQ(list(ListId::MidiIn)[0], "1|Keys v2");
}

TEST_F(PresenterTest, ReFindWithoutDevicesKeepsTheOpenDeviceUntilThePlaceholderIsChosen) {
    auto& w = startedWith({device("Keys")}, {device("Synth")});
    backend.inputs.clear();
    backend.outputs.clear();
    backend.calls.clear();
    for (const std::int16_t index : {0, 1, 2}) { // 2 is no item: nothing
        w.MnuMidiDeviceReFind_Click(index);
    }
    EXPECT_THAT(backend.calls, ElementsAre("inputs", "outputs"));
    EXPECT_NE(devices().inputHandle(), 0U);
    EXPECT_NE(devices().outputHandle(), 0U);

    choose(ListId::MidiIn, 0); // closes it; opening device 0 fails silently
    EXPECT_EQ(devices().inputHandle(), 0U);
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_THAT(list(ListId::MidiIn), ElementsAre("--- MIDI IN Device Not Found. ---"));
}

} // namespace
} // namespace moxel::testing
