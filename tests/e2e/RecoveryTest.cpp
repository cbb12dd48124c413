// A server that goes and comes back, the terminal and the display that go,
// while the program runs, checked by what the synth hears: Moxel reconnects
// by itself, no note is left hanging, and it still closes in order. (Devices
// that go and come back: the backend contract and the presenter's tests.)
#include <algorithm>
#include <memory>

#include <gtest/gtest.h>

#include "Program.h"
#include "peer/JackServer.h"
#include "peer/VirtualDisplay.h"

namespace moxel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class Recovery : public ::testing::Test {
  protected:
    void SetUp() override {
        restartServer();
        // By name, not the first of the lists; and the synth's stored channel (4Ch).
        moxel.writeSettings(
            "[Moxel Settings.]\nDefaultMidiIn=keys:out\nDefaultMidiOut=synth:in\nsynth:in=3\n");
        moxel.start(serverName);
        ASSERT_TRUE(reconnected());
    }

    // A server of the same name again (the program looks for that name), with
    // the devices. The old server goes first, taking every client with it, as
    // when it crashes.
    void restartServer() {
        if (server) {
            server->stop();
            ASSERT_TRUE(waitUntil(
                [&] { return keys->serverGone() && synth->serverGone() && drums->serverGone(); }));
        }
        keys.reset();
        synth.reset();
        drums.reset();
        server.reset();
        server = std::make_unique<JackServer>(JackServer::Options{.name = serverName});
        ASSERT_TRUE(server->running()) << server->error();
        drums = std::make_unique<JackPeer>("drums");
        keys = std::make_unique<JackPeer>("keys");
        synth = std::make_unique<JackPeer>("synth");
    }
    bool reconnected() {
        return waitUntil(
            [&] {
                return connectedAnywhere(*keys, keys->sourcePort()) &&
                       connectedAnywhere(*synth, synth->sinkPort());
            },
            10s);
    }
    // Plays the message until the synth hears it (what is played before the
    // connection holds is lost on the way).
    bool heard(const Bytes& message) {
        return waitUntil(
            [&] {
                const auto got = synth->received();
                if (std::ranges::any_of(got, [&](const auto& e) { return e.bytes == message; })) {
                    return true;
                }
                keys->send(message);
                synth->waitForReceived(got.size() + 1, 20ms);
                return false;
            },
            10s);
    }
    // The synth heard the note-off of that key (without the keyboard playing it).
    bool released(std::uint8_t key) {
        const auto got = synth->receivedBytes();
        return std::ranges::find(got, Bytes{0x83, key, 0}) != got.end();
    }
    // Moxel released the held key and silenced every channel of the output
    // before it went.
    void expectClosedInOrder(std::uint8_t heldKey) {
        const auto got = synth->receivedBytes();
        EXPECT_NE(std::ranges::find(got, Bytes{0x83, heldKey, 0}), got.end());
        EXPECT_EQ(std::ranges::count_if(got, [](const Bytes& b) { return b[1] == 123; }), 16);
    }

    const std::string serverName = JackServer::uniqueName();
    std::unique_ptr<JackServer> server;
    std::unique_ptr<JackPeer> keys, synth, drums;
    Program moxel;
};

TEST_F(Recovery, TheServerGoesAndComesBackAndSigtermStillClosesInOrder) {
    for (std::uint8_t key = 60; key < 63; ++key) {
        ASSERT_TRUE(heard({0x93, key, 100})) << key;
        restartServer(); // the synth survives (its client is new): its note is released
        ASSERT_TRUE(reconnected()) << key;
        EXPECT_TRUE(waitUntil([&] { return released(key); })) << key;
    }
    ASSERT_TRUE(heard({0x93, 70, 100}));
    EXPECT_EQ(moxel.stop(SIGTERM), std::optional<int>(0));
    expectClosedInOrder(70);
}

TEST_F(Recovery, ClosingTheTerminalItStartedFromClosesItInOrder) {
    ASSERT_TRUE(heard({0x93, 64, 100}));
    EXPECT_EQ(moxel.stop(SIGHUP), std::optional<int>(0));
    expectClosedInOrder(64);
}

TEST_F(Recovery, TheDisplayGoingAwayAtTheEndOfASessionClosesItInOrder) {
    VirtualDisplay display;
    if (!display.running()) {
        GTEST_SKIP() << "no Xvfb";
    }
    ASSERT_EQ(moxel.stop(), std::optional<int>(0)); // the offscreen one: again on the display
    synth->clearReceived();
    moxel.setPlatform("xcb");
    moxel.start(serverName);
    ASSERT_TRUE(reconnected());
    ASSERT_TRUE(heard({0x93, 64, 100}));
    display.stop();
    EXPECT_EQ(moxel.stop(0), std::optional<int>(1)); // the toolkit ends it by itself
    expectClosedInOrder(64);
}

TEST(RecoveryStart, AStoredDefaultThatAppearsLaterIsTakenAndAnEchoingClientIsNotLooped) {
    JackServer server;
    ASSERT_TRUE(server.running()) << server.error();
    JackPeer echo("echo"), synth("synth");
    echo.echoInput(true); // sends out again what it receives
    Program moxel;
    moxel.writeSettings("[Moxel Settings.]\nDefaultMidiOut=late:in\n");
    moxel.start(server.name());
    // The default is missing: not echo's own input, the other output.
    ASSERT_TRUE(waitUntil([&] { return connectedAnywhere(synth, synth.sinkPort()); }, 10s));
    EXPECT_FALSE(connectedAnywhere(echo, echo.sinkPort()));
    JackPeer late("late");
    EXPECT_TRUE(waitUntil([&] { return connectedAnywhere(late, late.sinkPort()); }));
    EXPECT_TRUE(waitUntil([&] { return !connectedAnywhere(synth, synth.sinkPort()); }));
}

} // namespace
} // namespace moxel::test
