// Devices on a real JACK server: the lists, opening and closing, switching
// devices, the reset, and what happens without a server or when it goes away.

#include <algorithm>
#include <cstring>

#include <jack/jack.h>

#include "e2e/JackFixture.h"

namespace moxel::test {
namespace {

using JackDeviceTest = JackFixture;

std::vector<std::string> listOf(JackBackend& b, bool inputs) {
    std::vector<std::string> names;
    const int n = inputs ? b.inputCount() : b.outputCount();
    for (int i = 0; i < n; ++i) {
        const DeviceCaps caps = inputs ? b.inputCaps(i) : b.outputCaps(i);
        EXPECT_EQ(caps.result, CapsResult::Ok);
        names.push_back(caps.name);
    }
    return names;
}

// JACK's own listing of MIDI ports with these flags, as another client sees it.
std::vector<std::string> jackListing(jack_client_t* client, unsigned long flags,
                                     const std::string& without) {
    std::vector<std::string> names;
    const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, flags);
    for (const char** p = ports; p != nullptr && *p != nullptr; ++p) {
        if (std::strncmp(*p, without.c_str(), without.size()) != 0) {
            names.emplace_back(*p);
        }
    }
    jack_free(static_cast<void*>(ports));
    return names;
}

TEST_F(JackDeviceTest, ListsOtherClientsMidiPortsByFullNameInJackOrderWithoutOwnPorts) {
    JackPeer a("alpha"), b("beta");
    ASSERT_TRUE(a.ok() && b.ok());
    const auto inputs = listOf(*backend, true);
    const auto outputs = listOf(*backend, false);

    EXPECT_EQ(inputs, jackListing(a.client(), JackPortIsOutput, backend->clientName() + ":"));
    EXPECT_EQ(outputs, jackListing(a.client(), JackPortIsInput, backend->clientName() + ":"));
    for (const auto* list : {&inputs, &outputs}) {
        EXPECT_EQ(std::count(list->begin(), list->end(), backend->inputPortName()), 0);
        EXPECT_EQ(std::count(list->begin(), list->end(), backend->outputPortName()), 0);
    }
    EXPECT_EQ(std::count(inputs.begin(), inputs.end(), "alpha:out"), 1);
    EXPECT_EQ(std::count(inputs.begin(), inputs.end(), "beta:out"), 1);
    EXPECT_EQ(std::count(outputs.begin(), outputs.end(), "alpha:in"), 1);
    EXPECT_EQ(std::count(outputs.begin(), outputs.end(), "beta:in"), 1);
    EXPECT_EQ(backend->inputPortName(), backend->clientName() + ":midi_in");
    EXPECT_EQ(backend->outputPortName(), backend->clientName() + ":midi_out");
}

TEST_F(JackDeviceTest, ASecondMoxelGetsTheNameJackChoosesForIt) {
    EXPECT_EQ(backend->clientName(), "moxel");
    RelayShared otherShared;
    JackBackend other(otherShared);
    ASSERT_TRUE(other.available());
    EXPECT_NE(other.clientName(), "moxel");
    EXPECT_FALSE(other.clientName().empty());
    // Each sees the other's ports as devices.
    EXPECT_GE(inputId(other.outputPortName()), 0);
    EXPECT_GE(outputId(other.inputPortName()), 0);
}

TEST_F(JackDeviceTest, OpeningConnectsAndClosingDisconnects) {
    JackPeer peer("peer");
    ASSERT_TRUE(peer.ok());
    const MidiHandle in = openInput(peer);
    const MidiHandle out = openOutput(peer);
    ASSERT_NE(in, 0u);
    ASSERT_NE(out, 0u);
    EXPECT_NE(in, out);
    EXPECT_TRUE(shared.inputOpen.load());
    EXPECT_TRUE(shared.outputOpen.load());
    // (openInput and openOutput waited until JACK showed the connections.)
    backend->closeInput(in);
    backend->closeOutput(out);
    EXPECT_FALSE(shared.inputOpen.load());
    EXPECT_FALSE(shared.outputOpen.load());
    // Closing waits for cycles after the disconnect, so the graph shows it.
    EXPECT_FALSE(connected(peer.client(), peer.sourcePort(), backend->inputPortName()));
    EXPECT_FALSE(connected(peer.client(), backend->outputPortName(), peer.sinkPort()));

    // Handles are never reused.
    const MidiHandle again = openInput(peer);
    EXPECT_NE(again, 0u);
    EXPECT_NE(again, in);
    EXPECT_NE(again, out);
}

TEST_F(JackDeviceTest, OpenedButNotStartedInputRelaysNothing) {
    JackPeer source("src"), sink("dst");
    MidiHandle in = 0;
    ASSERT_EQ(backend->openInput(inputId(source.sourcePort()), in), OpenResult::Ok);
    ASSERT_NE(openOutput(sink), 0u);
    ASSERT_TRUE(waitUntil(
        [&] { return connected(source.client(), source.sourcePort(), backend->inputPortName()); }));
    ASSERT_TRUE(source.send({0x90, 0x3C, 0x40}));
    ASSERT_TRUE(source.waitForSent(1));
    ASSERT_TRUE(sink.waitForCycleAfter(source.sent()[0].frame));
    EXPECT_TRUE(sink.received().empty());
    EXPECT_FALSE(shared.inputLamp.load());
}

TEST_F(JackDeviceTest, APortThatVanishedSinceTheListFails) {
    auto peer = std::make_unique<JackPeer>("fleeting");
    ASSERT_TRUE(peer->ok());
    const int in = inputId(peer->sourcePort());
    const int out = outputId(peer->sinkPort());
    ASSERT_GE(in, 0);
    ASSERT_GE(out, 0);
    peer.reset();
    EXPECT_EQ(backend->inputCaps(in).result, CapsResult::Failed);
    EXPECT_EQ(backend->outputCaps(out).result, CapsResult::Failed);
    MidiHandle h = 99;
    EXPECT_EQ(backend->openInput(in, h), OpenResult::Failed);
    EXPECT_EQ(h, 0u);
    h = 99;
    EXPECT_EQ(backend->openOutput(out, h), OpenResult::Failed);
    EXPECT_EQ(h, 0u);
    EXPECT_FALSE(shared.outputOpen.load());
}

TEST_F(JackDeviceTest, IdsOutsideTheListFail) {
    const int n = backend->inputCount();
    MidiHandle h = 0;
    for (int id : {-1, n, n + 5}) {
        EXPECT_EQ(backend->inputCaps(id).result, CapsResult::Failed);
        EXPECT_EQ(backend->outputCaps(id).result, CapsResult::Failed);
        EXPECT_EQ(backend->openInput(id, h), OpenResult::Failed);
    }
}

TEST_F(JackDeviceTest, AfterSwitchingInputsTheOldInputIsCutOff) {
    JackPeer oldSource("old"), newSource("new"), sink("dst");
    const MidiHandle first = openInput(oldSource);
    ASSERT_NE(first, 0u);
    ASSERT_NE(openOutput(sink), 0u);
    ASSERT_TRUE(oldSource.send({0x90, 0x01, 0x40}));
    ASSERT_TRUE(sink.waitForReceived(1));

    backend->closeInput(first);
    // The note it left sounding is released: its note-off can never come now.
    ASSERT_TRUE(sink.waitForReceived(2));
    EXPECT_EQ(sink.received()[1].bytes, (Bytes{0x80, 0x01, 0x00}));
    ASSERT_NE(openInput(newSource), 0u);
    sink.clearReceived();
    // The old source keeps playing; only the new one may be heard.
    ASSERT_TRUE(oldSource.sendBatch({{{0x90, 0x02, 0x40}, 0}, {{0x90, 0x03, 0x40}, 30}}));
    ASSERT_TRUE(oldSource.waitForSent(3));
    ASSERT_TRUE(newSource.send({0x90, 0x04, 0x40}));
    ASSERT_TRUE(sink.waitForReceived(1));
    ASSERT_TRUE(sink.waitForCycleAfter(sink.received()[0].frame));
    EXPECT_EQ(bytesOf(sink.received()), (std::vector<Bytes>{{0x90, 0x04, 0x40}}));
}

// The reset of an output on which one note (heldKey on heldChannel) is
// still sounding.
std::vector<Bytes> expectedReset(int heldChannel, std::uint8_t heldKey) {
    std::vector<Bytes> r;
    for (int c = 0; c < 16; ++c) {
        const auto cc = static_cast<std::uint8_t>(0xB0 | c);
        r.push_back({cc, 64, 0});
        if (c == heldChannel) {
            r.push_back({static_cast<std::uint8_t>(0x80 | c), heldKey, 0});
        }
        r.push_back({cc, 123, 0});
        r.push_back({cc, 120, 0});
    }
    return r;
}

TEST_F(JackDeviceTest, TheResetReachesTheDeviceBeforeItIsDisconnected) {
    JackPeer source("src"), sink("dst");
    ASSERT_NE(openInput(source), 0u);
    const MidiHandle out = openOutput(sink);
    ASSERT_NE(out, 0u);
    shared.channelPosition = 2;
    ASSERT_TRUE(source.send({0x90, 0x3C, 0x64})); // held: no note-off follows
    ASSERT_TRUE(sink.waitForReceived(1));
    shared.channelPosition = 9; // the note-off goes where the note went anyway

    backend->resetOutput(out);
    backend->closeOutput(out);
    EXPECT_FALSE(connected(sink.client(), backend->outputPortName(), sink.sinkPort()));

    std::vector<Bytes> expected{{0x92, 0x3C, 0x64}};
    const auto reset = expectedReset(2, 0x3C);
    expected.insert(expected.end(), reset.begin(), reset.end());
    const auto got = sink.received();
    EXPECT_EQ(bytesOf(got), expected);
    EXPECT_EQ(backend->lostEvents(), 0u);
}

TEST_F(JackDeviceTest, AfterSwitchingOutputsTheResetWentToTheOldAndNewMessagesToTheNewOnly) {
    JackPeer source("src"), oldSink("old"), newSink("new");
    ASSERT_NE(openInput(source), 0u);
    const MidiHandle first = openOutput(oldSink);
    ASSERT_NE(first, 0u);
    ASSERT_TRUE(source.send({0x90, 0x40, 0x64}));
    ASSERT_TRUE(oldSink.waitForReceived(1));

    backend->resetOutput(first);
    backend->closeOutput(first);
    const MidiHandle second = openOutput(newSink);
    ASSERT_NE(second, 0u);
    // The note is released by the reset: the tracker starts over, so a later
    // note-off takes the current channel.
    ASSERT_TRUE(source.sendBatch({{{0x90, 0x41, 0x64}, 0}, {{0x80, 0x40, 0x00}, 10}}));
    ASSERT_TRUE(newSink.waitForReceived(2));
    ASSERT_TRUE(oldSink.waitForCycleAfter(newSink.received()[1].frame));

    std::vector<Bytes> expectedOld{{0x90, 0x40, 0x64}};
    const auto reset = expectedReset(0, 0x40);
    expectedOld.insert(expectedOld.end(), reset.begin(), reset.end());
    EXPECT_EQ(bytesOf(oldSink.received()), expectedOld);
    EXPECT_EQ(bytesOf(newSink.received()),
              (std::vector<Bytes>{{0x90, 0x41, 0x64}, {0x80, 0x40, 0x00}}));
}

TEST_F(JackDeviceTest, ResetOrCloseOfAHandleThatIsNotOpenDoesNothing) {
    JackPeer sink("dst");
    const MidiHandle out = openOutput(sink);
    ASSERT_NE(out, 0u);
    backend->resetOutput(out + 1);
    backend->closeOutput(out + 1);
    backend->closeOutput(0);
    backend->closeInput(out);
    EXPECT_TRUE(shared.outputOpen.load());
    EXPECT_TRUE(connected(sink.client(), backend->outputPortName(), sink.sinkPort()));
    EXPECT_TRUE(sink.received().empty());
}

TEST(JackNoServerTest, WithoutAServerThereAreNoDevicesAndNothingCrashes) {
    JackTestServer::pointClientsAtNoServer();
    RelayShared shared;
    JackBackend backend(shared);
    EXPECT_FALSE(backend.available());
    EXPECT_EQ(backend.inputCount(), 0);
    EXPECT_EQ(backend.outputCount(), 0);
    EXPECT_EQ(backend.inputCaps(0).result, CapsResult::Failed);
    EXPECT_EQ(backend.outputCaps(0).result, CapsResult::Failed);
    MidiHandle h = 5;
    EXPECT_EQ(backend.openInput(0, h), OpenResult::Failed);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(backend.openOutput(0, h), OpenResult::Failed);
    EXPECT_FALSE(backend.sendShort(1, 0x000007C0));
    backend.resetOutput(1);
    backend.closeOutput(1);
    backend.closeInput(1);
    EXPECT_TRUE(backend.clientName().empty());
}

TEST(JackServerLifeTest, TheServerGoingAwayIsSurvivedAndANewServerIsFoundAgain) {
    RelayShared shared;
    auto server = std::make_unique<JackTestServer>();
    ASSERT_TRUE(server->running()) << server->error();
    auto backend = std::make_unique<JackBackend>(shared);
    MidiHandle in = 0, out = 0;
    {
        JackPeer peer("peer");
        ASSERT_TRUE(peer.ok());
        const int n = backend->inputCount();
        for (int i = 0; i < n; ++i) {
            if (backend->inputCaps(i).name == peer.sourcePort()) {
                ASSERT_EQ(backend->openInput(i, in), OpenResult::Ok);
            }
        }
        ASSERT_GT(backend->outputCount(), 0);
        ASSERT_EQ(backend->openOutput(0, out), OpenResult::Ok);
        backend->startInput(in);
        ASSERT_NE(in, 0u);

        server->stop();
        // (Before any client opens again: libjack then frees the clients of
        // the dead server, this peer's too.)
        ASSERT_TRUE(waitUntil([&] { return peer.serverGone(); }));
        // The window's next re-find finds nothing, and no call hangs.
        EXPECT_TRUE(waitUntil([&] { return backend->inputCount() == 0; }));
    }
    EXPECT_EQ(backend->outputCount(), 0);
    EXPECT_FALSE(backend->available());
    EXPECT_FALSE(shared.inputOpen.load());
    EXPECT_FALSE(shared.outputOpen.load());
    EXPECT_FALSE(backend->sendShort(out, 0x000007C0));
    backend->resetOutput(out);
    backend->closeOutput(out);
    backend->closeInput(in);

    // A server starts again: the next enumeration finds it and its ports.
    server = std::make_unique<JackTestServer>();
    ASSERT_TRUE(server->running()) << server->error();
    JackPeer peer("peer");
    ASSERT_TRUE(peer.ok());
    EXPECT_GT(backend->inputCount(), 0);
    EXPECT_TRUE(backend->available());
    EXPECT_EQ(backend->clientName(), "moxel");
    backend.reset();
}

} // namespace
} // namespace moxel::test
