// Devices on a real JACK server: the lists, a port that vanished, and what
// happens when the server goes away (and without one) and comes back.
#include <algorithm>

#include "JackFixture.h"

namespace moxel::test {
namespace {

using JackDeviceTest = JackFixture;

std::vector<std::string> listOf(midi::JackBackend& b, bool inputs) {
    std::vector<std::string> names;
    for (const midi::DeviceCaps& caps : inputs ? b.inputs() : b.outputs()) {
        names.push_back(caps.name);
    }
    return names;
}

TEST_F(JackDeviceTest, ListsHardwareFirstThenByNameAndASecondMoxelGetsItsOwnName) {
    JackPeer b("beta"), a("alpha"), hardware("zeta", "out", "in", true);
    ASSERT_TRUE(a.ok() && b.ok() && hardware.ok());
    EXPECT_EQ(backend->inputPortName(), "moxel:midi_in");
    EXPECT_EQ(backend->outputPortName(), "moxel:midi_out");
    RelayShared otherShared;
    midi::JackBackend other(otherShared);
    ASSERT_TRUE(other.serviceAvailable());
    EXPECT_NE(other.clientName(), "moxel");
    // Hardware first, then by name (not in the order the clients started);
    // Moxel's own ports left out; each Moxel sees the other's.
    EXPECT_EQ(listOf(*backend, true), (std::vector<std::string>{"zeta:out", "alpha:out", "beta:out",
                                                                other.outputPortName()}));
    EXPECT_EQ(listOf(*backend, false),
              (std::vector<std::string>{"zeta:in", "alpha:in", "beta:in", other.inputPortName()}));
}

TEST_F(JackDeviceTest, APortThatVanishedSinceTheListFails) {
    auto peer = std::make_unique<JackPeer>("fleeting");
    const int in = deviceId(true, peer->sourcePort());
    const int out = deviceId(false, peer->sinkPort());
    ASSERT_GE(std::min(in, out), 0);
    peer.reset();
    midi::MidiHandle h = 99;
    EXPECT_EQ(backend->openInput(in, h), midi::OpenResult::Failed);
    EXPECT_EQ(h, 0u);
    h = 99;
    EXPECT_EQ(backend->openOutput(out, h), midi::OpenResult::Failed);
    EXPECT_EQ(h, 0u);
    EXPECT_FALSE(shared.outputOpen.load());
}

TEST(JackServerLifeTest, TheServerGoingAwayIsSurvivedAndANewServerIsFoundAgain) {
    RelayShared shared;
    auto server = std::make_unique<JackServer>();
    ASSERT_TRUE(server->running()) << server->error();
    auto backend = std::make_unique<midi::JackBackend>(shared);
    midi::MidiHandle in = 0, out = 0;
    {
        JackPeer peer("peer");
        ASSERT_FALSE(backend->inputs().empty() || backend->outputs().empty());
        ASSERT_EQ(backend->openInput(0, in), midi::OpenResult::Ok);
        ASSERT_EQ(backend->openOutput(0, out), midi::OpenResult::Ok);
        backend->startInput(in);
        server->stop();
        ASSERT_TRUE(waitUntil([&] { return peer.serverGone(); }));
        EXPECT_TRUE(backend->inputs().empty()); // no call hangs
        // The dead server's client is closed once libjack's threads for it
        // are done (half a second), and before any client opens again in
        // this process (libjack would free it, and this peer's, then).
        EXPECT_TRUE(
            waitUntil([&] { return backend->inputs().empty() && backend->clientName().empty(); }));
    }
    EXPECT_FALSE(backend->serviceAvailable() || shared.inputOpen || shared.outputOpen);
    EXPECT_FALSE(backend->sendShort(out, 0x000007C0));
    backend->resetOutput(out);
    backend->closeOutput(out);
    backend->closeInput(in);
    for (const bool input : {true, false}) { // without a server no device opens
        midi::MidiHandle h = 5;
        EXPECT_EQ(input ? backend->openInput(0, h) : backend->openOutput(0, h),
                  midi::OpenResult::Failed);
        EXPECT_EQ(h, 0u);
    }

    server = std::make_unique<JackServer>(); // a server again: the next search finds it
    ASSERT_TRUE(server->running()) << server->error();
    JackPeer peer("peer");
    EXPECT_FALSE(backend->inputs().empty());
    EXPECT_EQ(backend->clientName(), "moxel");
}

} // namespace
} // namespace moxel::test
