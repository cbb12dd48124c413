// What every backend does the same, whatever its MIDI service: listing,
// opening and closing, the relay with the channel rule, SysEx in chunks, the
// reset, and the notes a closed or vanished device leaves sounding.
#include <algorithm>
#include <atomic>

#include "ServiceUnderTest.h"
#include "relay/MidiMessage.h"

namespace moxel::test {

using namespace std::chrono_literals;

namespace {

midi::MidiHandle open(midi::MidiBackend& backend, bool input, const std::string& name) {
    int id = -1;
    waitUntil([&] { // a device plugged in a moment ago may still be on its way
        id = midi::positionOf(input ? backend.inputs() : backend.outputs(), name);
        return id >= 0;
    });
    midi::MidiHandle handle = 0;
    if (id < 0 || (input ? backend.openInput(id, handle) : backend.openOutput(id, handle)) !=
                      midi::OpenResult::Ok) {
        return 0;
    }
    if (input) {
        backend.startInput(handle);
    }
    return handle;
}

bool isMarker(const Bytes& e) {
    return e.size() == 2 && e[0] == 0xF3; // song select: the channel rule leaves it alone
}

Bytes joined(const std::vector<Bytes>& events) {
    Bytes all;
    for (const Bytes& e : events) {
        all.insert(all.end(), e.begin(), e.end());
    }
    return all;
}

} // namespace

midi::MidiHandle BackendContract::openInput(const std::string& device) {
    return open(backend(), true, names_[device].input);
}

midi::MidiHandle BackendContract::openOutput(const std::string& device) {
    return open(backend(), false, names_[device].output);
}

bool BackendContract::flowing(const std::string& source, const std::string& device) {
    const Bytes marker{0xF3, static_cast<std::uint8_t>(++markers_ & 0x7F)};
    return waitUntil([&] {
        const auto got = service->heard(device, 0);
        if (std::ranges::find(got, marker) != got.end()) {
            return true;
        }
        service->play(source, {marker});
        return false;
    });
}

std::pair<midi::MidiHandle, midi::MidiHandle> BackendContract::connect(const std::string& source,
                                                                       const std::string& device) {
    plugIn(source);
    plugIn(device);
    const midi::MidiHandle in = openInput(source);
    const midi::MidiHandle out = openOutput(device);
    return in * out != 0 && flowing(source, device) ? std::pair(in, out) : std::pair(0U, 0U);
}

std::vector<Bytes> BackendContract::heardSoFar(const std::string& source,
                                               const std::string& device) {
    const Bytes marker{0xF3, static_cast<std::uint8_t>(++markers_ & 0x7F)};
    service->play(source, {marker});
    std::vector<Bytes> got;
    waitUntil([&] {
        got = service->heard(device, 1);
        return std::ranges::find(got, marker) != got.end();
    });
    const auto end = std::ranges::find(got, marker);
    EXPECT_NE(end, got.end()) << "the marker was not heard";
    std::vector<Bytes> before;
    std::copy_if(got.begin(), end, std::back_inserter(before),
                 [](const Bytes& e) { return !isMarker(e); });
    return before;
}

TEST_P(BackendContract, ListsOpensAndClosesDevicesAndTellsOfDevicesThatGo) {
    std::atomic<int> news{0};
    backend().setNewsCallback(midi::News::Devices, [&] { ++news; });
    plugIn("keys");
    plugIn("synth");
    EXPECT_GE(midi::positionOf(backend().inputs(), names_["keys"].input), 0);
    EXPECT_GE(midi::positionOf(backend().outputs(), names_["synth"].output), 0);
    for (const int id : {-1, static_cast<int>(backend().outputs().size()) + 5}) {
        midi::MidiHandle handle = 7;
        EXPECT_EQ(backend().openOutput(id, handle), midi::OpenResult::Failed);
        EXPECT_EQ(handle, 0U);
        EXPECT_FALSE(shared().outputOpen.load());
    }
    const midi::MidiHandle in = openInput("keys");
    const midi::MidiHandle out = openOutput("synth");
    ASSERT_NE(in * out, 0U);
    EXPECT_NE(in, out);
    EXPECT_TRUE(shared().inputOpen && shared().outputOpen);
    EXPECT_TRUE(
        waitUntil([&] { return backend().deviceConnected(in) && backend().deviceConnected(out); }));
    backend().closeInput(in);
    backend().closeOutput(out);
    EXPECT_FALSE(shared().inputOpen || shared().outputOpen);
    const midi::MidiHandle again = openOutput("synth");
    EXPECT_TRUE(again != 0 && again != in && again != out) << "handles are never reused";

    news = 0;
    service->unplug("synth");
    EXPECT_TRUE(waitUntil([&] { return news > 0 && !backend().deviceConnected(again); }));
    EXPECT_LT(midi::positionOf(backend().outputs(), names_["synth"].output), 0);
    backend().setNewsCallback(midi::News::Devices, {});
}

TEST_P(BackendContract, RelaysWithTheChannelRuleAndTakesTheWindowsMessages) {
    const auto [in, out] = connect("keys", "synth");
    ASSERT_NE(in * out, 0U);
    shared().outputChannel = 3;
    // Channel messages take the chosen channel, system messages pass as they
    // are, bytes without a status byte are no MIDI.
    service->play("keys", {{0x95, 60, 100}, {0xB5, 1, 2}, {0xF8}, {0xF2, 1, 2}, {0x3C, 0x40}});
    EXPECT_EQ(heardSoFar("keys", "synth"),
              (std::vector<Bytes>{{0x93, 60, 100}, {0xB3, 1, 2}, {0xF8}, {0xF2, 1, 2}}));
    EXPECT_TRUE(shared().inputLamp && shared().outputLamp);

    shared().followInputChannel = true; // unchanged, and the channel follows
    service->play("keys", {{0x95, 61, 100}});
    EXPECT_EQ(heardSoFar("keys", "synth").back(), (Bytes{0x95, 61, 100}));
    EXPECT_EQ(shared().outputChannel.load(), 5);

    shared().followInputChannel = false;
    EXPECT_TRUE(backend().sendShort(out, midi::programChange(0, 7)));
    EXPECT_FALSE(backend().sendShort(0, midi::programChange(0, 7))) << "no handle";
    EXPECT_FALSE(backend().sendShort(in, midi::programChange(0, 7))) << "an input's handle";
    EXPECT_FALSE(backend().sendShort(out, 0x0740)) << "no status byte";
    EXPECT_FALSE(backend().sendShort(out, 0xF0)) << "SysEx is no short message";
    EXPECT_EQ(heardSoFar("keys", "synth").back(), (Bytes{0xC5, 7}));
}

// A SysEx in chunks, several in one cycle; the larger one with a note between
// its chunks (a keyboard merged with a librarian), which passes on its own
// and leaves the SysEx open.
TEST_P(BackendContract, PassesSysexWholeHoweverItIsCut) {
    const auto [in, out] = connect("librarian", "synth");
    ASSERT_NE(in * out, 0U);
    const std::size_t chunk = std::min<std::size_t>(256, service->sysexChunk());
    const Bytes note{0x90, 60, 100};
    std::size_t seen = 0;
    for (const std::size_t size : {612U, 65536U}) {
        SCOPED_TRACE(size);
        Bytes dump{0xF0};
        while (dump.size() + 1 < size) {
            dump.push_back(static_cast<std::uint8_t>(dump.size() % 0x7F));
        }
        dump.push_back(0xF7);
        std::vector<Bytes> batch, sysex, notes;
        std::size_t notesPlayed = 0;
        for (std::size_t at = 0; at < size; at += chunk) {
            batch.emplace_back(dump.begin() + at, dump.begin() + std::min(size, at + chunk));
            if (size > 612 && at + chunk < size) {
                batch.push_back(note);
                ++notesPlayed;
            }
            if (batch.size() >= 4 || at + chunk >= size) { // several in one cycle
                service->play("librarian", batch);
                batch.clear();
            }
        }
        const auto heard = heardSoFar("librarian", "synth");
        for (auto e = heard.begin() + static_cast<long>(seen); e != heard.end(); ++e) {
            (e->front() == note.front() ? notes : sysex).push_back(*e);
        }
        EXPECT_EQ(joined(sysex), dump);
        EXPECT_EQ(notes, std::vector<Bytes>(notesPlayed, note));
        seen = heard.size();
    }
}

TEST_P(BackendContract, AClosedInputsNotesAreReleased) {
    plugIn("pads");
    const auto [keys, out] = connect("keys", "synth");
    ASSERT_NE(keys * out, 0U);
    shared().outputChannel = 2;
    service->play("keys", {{0x90, 1, 64}}); // held: its note-off can never come now
    ASSERT_EQ(heardSoFar("keys", "synth").size(), 1U);
    backend().closeInput(keys);
    ASSERT_NE(openInput("pads"), 0U);
    ASSERT_TRUE(flowing("pads", "synth"));
    service->play("keys", {{0x90, 2, 64}}); // closed: not heard
    service->play("pads", {{0x90, 4, 64}});
    EXPECT_EQ(heardSoFar("pads", "synth"),
              (std::vector<Bytes>{{0x92, 1, 64}, {0x82, 1, 0}, {0x92, 4, 64}}));
}

// The largest reset (every key on every channel) reaches whole and in order
// a receiver that reads at an ordinary pace, however little its queue holds.
TEST_P(BackendContract, TheResetReachesAReceiverThatReadsAtAnOrdinaryPace) {
    plugIn("keys");
    names_["synth"] = service->plugInOrdinaryReader("synth");
    const midi::MidiHandle out = openOutput("synth");
    ASSERT_TRUE(openInput("keys") * out != 0 && flowing("keys", "synth"));
    shared().followInputChannel = true;
    std::vector<Bytes> reset;
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        const auto control = static_cast<std::uint8_t>(0xB0 | channel);
        std::vector<Bytes> notes;
        reset.push_back({control, 64, 0});
        for (std::uint8_t key = 0; key < 128; ++key) {
            notes.push_back({static_cast<std::uint8_t>(0x90 | channel), key, 100});
            reset.push_back({static_cast<std::uint8_t>(0x80 | channel), key, 0});
        }
        reset.insert(reset.end(), {{control, 123, 0}, {control, 120, 0}});
        service->play("keys", notes);
        heardSoFar("keys", "synth"); // a channel at a time, as fast as it reads
    }
    shared().outputLamp = false;
    const std::size_t before = service->heard("synth", 0).size();
    backend().resetOutput(out); // returns once it reached the device
    const auto heard = service->heard("synth", before + reset.size());
    EXPECT_EQ(std::vector(heard.begin() + static_cast<long>(before), heard.end()), reset);
    EXPECT_FALSE(shared().outputLamp) << "the reset lights no lamp";
}

TEST_P(BackendContract, NotesOfADeviceThatWentAwayAreReleasedWithoutItsHelp) {
    const auto [in, out] = connect("keys", "synth");
    ASSERT_NE(in * out, 0U);
    shared().outputChannel = 3;
    service->play("keys", {{0x90, 60, 100}});
    ASSERT_EQ(heardSoFar("keys", "synth").size(), 1U);
    // The synth goes, sounding; closed without a reset (nothing would hear
    // it). When it is back its note is released before anything else.
    service->unplug("synth");
    backend().closeOutput(out);
    plugIn("synth");
    ASSERT_NE(openOutput("synth"), 0U);
    ASSERT_TRUE(flowing("keys", "synth"));
    service->play("keys", {{0x90, 62, 100}});
    EXPECT_EQ(heardSoFar("keys", "synth"),
              (std::vector<Bytes>{{0xB3, 64, 0}, {0x83, 60, 0}, {0x93, 62, 100}}));
    // The keys go, holding a note: it is released at once.
    const std::size_t before = service->heard("synth", 0).size();
    service->unplug("keys");
    backend().closeInput(in);
    const auto released = service->heard("synth", before + 1);
    EXPECT_EQ(released.back(), (Bytes{0x83, 62, 0}));
}

} // namespace moxel::test
