// Devices on a real JACK server: the lists, opening and closing, switching
// devices, the reset, and what happens without a server or when it goes away.
#include <algorithm>

#include "JackFixture.h"

namespace moxel::test {
namespace {

using JackDeviceTest = JackFixture;

std::vector<std::string> listOf(JackBackend& b, bool inputs) {
    std::vector<std::string> names;
    for (int i = 0, n = inputs ? b.inputCount() : b.outputCount(); i < n; ++i) {
        names.push_back((inputs ? b.inputCaps(i) : b.outputCaps(i)).name);
    }
    return names;
}

TEST_F(JackDeviceTest, ListsHardwareFirstThenByNameAndASecondMoxelGetsItsOwnName) {
    JackPeer b("beta"), a("alpha"), hardware("zeta", "out", "in", true);
    ASSERT_TRUE(a.ok() && b.ok() && hardware.ok());
    EXPECT_EQ(backend->inputPortName(), "moxel:midi_in");
    EXPECT_EQ(backend->outputPortName(), "moxel:midi_out");
    RelayShared otherShared;
    JackBackend other(otherShared);
    ASSERT_TRUE(other.available());
    EXPECT_NE(other.clientName(), "moxel");
    // Hardware first, then by name (not in the order the clients started);
    // Moxel's own ports left out; each Moxel sees the other's.
    EXPECT_EQ(listOf(*backend, true), (std::vector<std::string>{"zeta:out", "alpha:out", "beta:out",
                                                                other.outputPortName()}));
    EXPECT_EQ(listOf(*backend, false),
              (std::vector<std::string>{"zeta:in", "alpha:in", "beta:in", other.inputPortName()}));
}

TEST_F(JackDeviceTest, OpeningConnectsClosingDisconnectsAndHandlesAreNeverReused) {
    JackPeer peer("peer");
    const MidiHandle in = openInput(peer);
    const MidiHandle out = openOutput(peer); // (both wait until JACK shows the connection)
    ASSERT_NE(in * out, 0u);
    EXPECT_NE(in, out);
    EXPECT_TRUE(shared.inputOpen && shared.outputOpen);
    backend->closeInput(in);
    backend->closeOutput(out);
    EXPECT_FALSE(shared.inputOpen || shared.outputOpen);
    // Closing waits for cycles after the disconnect, so the graph shows it.
    EXPECT_FALSE(connected(peer.client(), peer.sourcePort(), backend->inputPortName()));
    EXPECT_FALSE(connected(peer.client(), backend->outputPortName(), peer.sinkPort()));
    const MidiHandle again = openInput(peer);
    EXPECT_TRUE(again != 0 && again != in && again != out);
}

TEST_F(JackDeviceTest, APortThatVanishedSinceTheListOrAnIdOutsideItFails) {
    auto peer = std::make_unique<JackPeer>("fleeting");
    const int in = inputId(peer->sourcePort());
    const int out = outputId(peer->sinkPort());
    ASSERT_GE(std::min(in, out), 0);
    peer.reset();
    for (const int id : {in, -1, backend->inputCount() + 5}) {
        EXPECT_EQ(backend->inputCaps(id).result, CapsResult::Failed);
        MidiHandle h = 99;
        EXPECT_EQ(backend->openInput(id, h), OpenResult::Failed);
        EXPECT_EQ(h, 0u);
    }
    MidiHandle h = 99;
    EXPECT_EQ(backend->openOutput(out, h), OpenResult::Failed);
    EXPECT_EQ(h, 0u);
    EXPECT_FALSE(shared.outputOpen.load());
}

TEST_F(JackDeviceTest, ASwitchedInputIsCutOffAndTheNotesItLeftSoundingAreReleased) {
    JackPeer oldSource("old"), newSource("new"), sink("dst");
    const MidiHandle first = openInput(oldSource);
    ASSERT_NE(first * openOutput(sink), 0u);
    shared.channelPosition = 2;
    ASSERT_TRUE(oldSource.send({0x90, 0x01, 0x40}));
    ASSERT_TRUE(sink.waitForReceived(1));
    backend->closeInput(first); // its note-off can never come now
    ASSERT_TRUE(sink.waitForReceived(2));
    EXPECT_EQ(sink.received()[1].bytes, (Bytes{0x82, 0x01, 0x00}));
    ASSERT_NE(openInput(newSource), 0u);
    sink.clearReceived();
    // The old source keeps playing; only the new one may be heard.
    ASSERT_TRUE(oldSource.sendBatch({{{0x90, 0x02, 0x40}, 0}, {{0x90, 0x03, 0x40}, 30}}));
    ASSERT_TRUE(oldSource.waitForSent(3));
    ASSERT_TRUE(newSource.send({0x90, 0x04, 0x40}));
    ASSERT_TRUE(sink.waitForReceived(1));
    ASSERT_TRUE(sink.waitForCycleAfter(sink.received()[0].frame));
    EXPECT_EQ(bytesOf(sink.received()), (std::vector<Bytes>{{0x92, 0x04, 0x40}}));
}

TEST_F(JackDeviceTest, ASwitchedOutputGetsTheWholeResetBeforeItIsDisconnected) {
    JackPeer source("src"), oldSink("old"), newSink("new");
    ASSERT_NE(openInput(source), 0u);
    const MidiHandle first = openOutput(oldSink);
    ASSERT_NE(first, 0u);
    shared.channelPosition = 2;
    ASSERT_TRUE(source.send({0x90, 0x40, 0x64})); // held: no note-off follows
    ASSERT_TRUE(oldSink.waitForReceived(1));
    shared.channelPosition = 0;

    backend->resetOutput(first);
    backend->resetOutput(first + 1); // not open: nothing
    backend->closeOutput(first);
    EXPECT_FALSE(connected(oldSink.client(), backend->outputPortName(), oldSink.sinkPort()));
    const auto old = bytesOf(oldSink.received());
    ASSERT_EQ(old.size(), 1 + 16 * 3 + 1u); // the note, 3 controllers per channel, its note-off
    EXPECT_NE(std::ranges::find(old, Bytes{0x82, 0x40, 0x00}), old.end());

    const MidiHandle second = openOutput(newSink);
    ASSERT_NE(second, 0u);
    backend->closeOutput(first); // no longer open: nothing
    // The reset released the note: its note-off now takes the current channel.
    ASSERT_TRUE(source.sendBatch({{{0x90, 0x41, 0x64}, 0}, {{0x80, 0x40, 0x00}, 10}}));
    ASSERT_TRUE(newSink.waitForReceived(2));
    ASSERT_TRUE(oldSink.waitForCycleAfter(newSink.received()[1].frame));
    EXPECT_EQ(bytesOf(oldSink.received()).size(), old.size());
    EXPECT_EQ(bytesOf(newSink.received()),
              (std::vector<Bytes>{{0x90, 0x41, 0x64}, {0x80, 0x40, 0x00}}));
    EXPECT_EQ(backend->lostEvents(), 0u);
}

TEST(JackNoServerTest, WithoutAServerThereAreNoDevicesAndNothingCrashes) {
    JackServer::pointClientsAtNoServer();
    RelayShared shared;
    JackBackend backend(shared);
    EXPECT_FALSE(backend.available());
    EXPECT_EQ(backend.inputCount() + backend.outputCount(), 0);
    EXPECT_EQ(backend.inputCaps(0).result, CapsResult::Failed);
    MidiHandle h = 5;
    EXPECT_EQ(backend.openInput(0, h), OpenResult::Failed);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(backend.openOutput(0, h), OpenResult::Failed);
    EXPECT_FALSE(backend.sendShort(1, 0x000007C0));
    backend.resetOutput(1);
    backend.closeOutput(1);
    backend.closeInput(1);
}

TEST(JackServerLifeTest, TheServerGoingAwayIsSurvivedAndANewServerIsFoundAgain) {
    RelayShared shared;
    auto server = std::make_unique<JackServer>();
    ASSERT_TRUE(server->running()) << server->error();
    auto backend = std::make_unique<JackBackend>(shared);
    MidiHandle in = 0, out = 0;
    {
        JackPeer peer("peer");
        ASSERT_GT(backend->inputCount() * backend->outputCount(), 0);
        ASSERT_EQ(backend->openInput(0, in), OpenResult::Ok);
        ASSERT_EQ(backend->openOutput(0, out), OpenResult::Ok);
        backend->startInput(in);
        server->stop();
        ASSERT_TRUE(waitUntil([&] { return peer.serverGone(); }));
        EXPECT_EQ(backend->inputCount(), 0); // no call hangs
        // The dead server's client is closed once libjack's threads for it
        // are done (half a second), and before any client opens again in
        // this process (libjack would free it, and this peer's, then).
        EXPECT_TRUE(
            waitUntil([&] { return backend->inputCount() == 0 && backend->clientName().empty(); }));
    }
    EXPECT_FALSE(backend->available() || shared.inputOpen || shared.outputOpen);
    EXPECT_FALSE(backend->sendShort(out, 0x000007C0));
    backend->resetOutput(out);
    backend->closeOutput(out);
    backend->closeInput(in);

    server = std::make_unique<JackServer>(); // a server again: the next search finds it
    ASSERT_TRUE(server->running()) << server->error();
    JackPeer peer("peer");
    EXPECT_GT(backend->inputCount(), 0);
    EXPECT_EQ(backend->clientName(), "moxel");
}

} // namespace
} // namespace moxel::test
