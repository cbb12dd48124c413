// Devices and the MIDI service that go and come back: what stays wanted,
// what the lists show meanwhile, what opens again by itself, and what a
// program without a window says of it.
#include "PresenterFixture.h"
#include "app/window/Texts.h"

namespace moxel::testing {
namespace {

class DevicesComeAndGoTest : public PresenterTest {
  protected:
    void change() {
        backend.calls.clear();
        backend.announceChange();
    }
    // What a program without a window says of a device (side: "MIDI IN",
    // "MIDI OUT" or "MIDI OUT" with its channel).
    static std::string said(const std::string& side, Text what, const std::string& name) {
        return "moxel: " + side + ": " + text(what, name) + "\n";
    }
    static std::string said(Text what) { return "moxel: " + std::string(text(what)) + "\n"; }
};

TEST_F(DevicesComeAndGoTest, AVanishedDeviceStaysWantedAndOpensAgainWithItsChannel) {
    writeSettings("[Moxel Settings.]\nsynth:in=5\n");
    screenless = true;
    ::testing::internal::CaptureStderr();
    startedWith({device("keys:out")}, {device("drums:in"), device("synth:in")});
    choose(ListId::MidiOut, 1);
    choose(ListId::MidiCh, 2);
    backend.inputs.clear();
    backend.outputs = {device("drums:in")};
    change(); // both gone: closed without a reset (nothing would hear it)
    EXPECT_THAT(backend.calls, ElementsAre("inputs", "closeInput 0", "outputs", "closeOutput 1"));
    EXPECT_EQ(list(ListId::MidiOut).back(), text(Text::NotConnectedEntry, "synth:in"));
    EXPECT_EQ(selected(ListId::MidiOut), 1);
    EXPECT_THAT(devices().absentDevices(), ElementsAre("keys:out", "synth:in"));
    choose(ListId::MidiOut, 1); // choosing the marker keeps waiting
    change();                   // and other news changes nothing
    EXPECT_THAT(backend.calls, ElementsAre("inputs", "outputs"));

    backend.inputs = {device("keys:out")};
    backend.outputs = {device("a:in"), device("drums:in"), device("synth:in")};
    change(); // back, at other positions: opened again, its stored channel restored
    EXPECT_THAT(backend.calls,
                ElementsAre("inputs", "openInput 0", "startInput 0", "outputs", "openOutput 2"));
    EXPECT_EQ(selected(ListId::MidiCh), 5);
    EXPECT_TRUE(devices().absentDevices().empty());
    change(); // nothing new: nothing closes or opens
    EXPECT_THAT(backend.calls, ElementsAre("inputs", "outputs"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              said("MIDI IN", Text::EventOpened, "keys:out") +
                  said("MIDI OUT 1Ch", Text::EventOpened, "drums:in") +
                  said("MIDI OUT 6Ch", Text::EventOpened, "synth:in") +
                  said("MIDI IN", Text::EventLost, "keys:out") +
                  said("MIDI OUT", Text::EventLost, "synth:in") +
                  said("MIDI IN", Text::EventBack, "keys:out") +
                  said("MIDI OUT 6Ch", Text::EventBack, "synth:in"));
}

TEST_F(DevicesComeAndGoTest, WithoutTheServiceItIsLookedForOnceASecondUntilItIsBack) {
    screenless = true;
    auto& w = startedWith({device("keys:out")}, {device("synth:in")});
    w.Form_Resize(WindowState::Minimized);
    backend.service = false;
    ::testing::internal::CaptureStderr();
    change();
    EXPECT_TRUE(view.serviceSearch);
    EXPECT_THAT(list(ListId::MidiIn), ElementsAre("--- MIDI IN Device Not Found. ---",
                                                  text(Text::NotConnectedEntry, "keys:out")));
    EXPECT_EQ(view.trayTip, "Moxel Ver1.0\n" + text(Text::NotConnectedTip, "keys:out") + "\n" +
                                text(Text::NotConnectedTip, "synth:in"));
    backend.calls.clear();
    w.serviceSearchTick();
    EXPECT_THAT(backend.calls, ElementsAre("lookForService"));
    backend.service = true;
    w.serviceSearchTick();
    EXPECT_FALSE(view.serviceSearch);
    EXPECT_EQ(backend.openInputId() + backend.openOutputId(), 0);
    EXPECT_EQ(view.trayTip, "Moxel Ver1.0");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              said(Text::EventServiceLost) + said("MIDI IN", Text::EventLost, "keys:out") +
                  said("MIDI OUT", Text::EventLost, "synth:in") + said(Text::EventServiceBack) +
                  said("MIDI IN", Text::EventBack, "keys:out") +
                  said("MIDI OUT 1Ch", Text::EventBack, "synth:in"));
}

TEST_F(DevicesComeAndGoTest, AStoredDefaultThatAppearsLaterIsOpenedUnlessTheUserChoseAnother) {
    writeSettings("[Moxel Settings.]\nDefaultMidiOut=synth:in\nDefaultMidiIn=late:out\n");
    screenless = true;
    ::testing::internal::CaptureStderr();
    startedWith({device("keys:out"), device("pads:out")}, {device("drums:in")});
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              said("MIDI IN", Text::EventAwaited, "late:out") +
                  said("MIDI IN", Text::EventOpened, "keys:out") +
                  said("MIDI OUT", Text::EventAwaited, "synth:in") +
                  said("MIDI OUT 1Ch", Text::EventOpened, "drums:in"));
    EXPECT_EQ(backend.openOutputId(), 0); // the first, for now
    choose(ListId::MidiIn, 1);            // the user's choice stands
    backend.inputs.push_back(device("late:out"));
    backend.outputs.push_back(device("synth:in"));
    change();
    EXPECT_THAT(backend.calls,
                ElementsAre("inputs", "outputs", "resetOutput 0", "closeOutput 0", "openOutput 1"));
    EXPECT_EQ(backend.openInputId(), 1);

    // A default the user makes of the open output ends the wait for the old.
    startedWith({device("keys:out")}, {device("drums:in")});
    window->MnuMidiDeviceDefault_Click(1);
    for (const bool lateRuns : {true, false}) { // the old default starts, and quits
        lateRuns ? backend.outputs.push_back(device("synth:in")) : backend.outputs.pop_back();
        change();
        EXPECT_THAT(backend.calls, ElementsAre("inputs", "outputs"));
    }
    EXPECT_EQ(backend.openOutputId(), 0);
}

TEST_F(DevicesComeAndGoTest, NewsDuringTheStartIsLookedAtOnceTheListsAreBuilt) {
    writeSettings("[Moxel Settings.]\nDefaultMidiOut=synth:in\nsynth:in=3\n");
    backend.inputs = {device("keys:out")};
    backend.outputs = {device("drums:in"), device("synth:in")};
    make();
    view.onProcessEvents = [&] { backend.announceChange(); }; // before the settings are read
    // The relay sends from the moment the output is connected: on the stored channel.
    backend.onOutputOpened = [&] { backend.receive({0x95, 60, 100}); };
    window->InitApplication();
    EXPECT_THAT(backend.calls, ElementsAre("inputs", "openInput 0", "startInput 0", "outputs",
                                           "openOutput 1", "inputs", "outputs"));
    EXPECT_THAT(backend.sent, ElementsAre(Bytes{0x93, 60, 100}));
}

TEST_F(DevicesComeAndGoTest, WithoutAStoredDefaultAnInputAndAnOutputOfOneClientAreNotPaired) {
    startedWith({device("keys:out")}, {device("keys:in"), device("synth:in")});
    EXPECT_EQ(backend.openOutputId(), 1);
    startedWith({device("keys:out")}, {device("keys:in")}); // no other: that one
    EXPECT_EQ(backend.openOutputId(), 0);
    backend.service = false;
    startedWith({}, {}); // nothing yet: the first devices to appear open
    backend.service = true;
    backend.inputs = {device("keys:out")};
    backend.outputs = {device("keys:in"), device("synth:in")};
    window->serviceSearchTick();
    EXPECT_EQ(backend.openInputId() * 10 + backend.openOutputId(), 1);
}

} // namespace
} // namespace moxel::testing
