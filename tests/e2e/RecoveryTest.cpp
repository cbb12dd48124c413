// A server or a device that goes and comes back, the terminal and the display
// that go, while the program runs with its window or without one, checked by
// what the synth hears: Moxel reconnects by itself, no note is left hanging,
// it still closes in order, and setting.ini stays as it was. Without a window
// it needs no display, and says what happens on the error output; the
// command line's choices hold for one run.
#include <algorithm>
#include <memory>

#include <gtest/gtest.h>

#include "Program.h"
#include "app/window/Texts.h"
#include "peer/JackServer.h"
#include "peer/VirtualDisplay.h"

namespace moxel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Arguments = std::vector<std::string>;

// By name, not the first of the lists; and the synth's stored channel (4Ch).
const std::string kStored =
    "[Moxel Settings.]\nDefaultMidiIn=keys:out\nDefaultMidiOut=synth:in\nsynth:in=3\n";

// Played on channel 1, heard on the synth's 4Ch.
const Bytes kPlayed{0x90, 64, 100};
const Bytes kHeard{0x93, 64, 100};

// Plays the message on the source until the sink hears what arrives of it
// (what is played before the connection holds is lost on the way).
bool heardAt(JackPeer& source, JackPeer& sink, const Bytes& played, const Bytes& arrives) {
    return waitUntil(
        [&] {
            const auto got = sink.received();
            if (std::ranges::any_of(got, [&](const auto& e) { return e.bytes == arrives; })) {
                return true;
            }
            source.send(played);
            sink.waitForReceived(got.size() + 1, 20ms);
            return false;
        },
        10s);
}

// Moxel released the held key and silenced every channel of the output
// before it went.
void expectClosedInOrder(JackPeer& sink, std::uint8_t heldKey, std::uint8_t channel = 3) {
    const auto got = sink.receivedBytes();
    EXPECT_NE(std::ranges::find(got, Bytes{std::uint8_t(0x80 | channel), heldKey, 0}), got.end());
    EXPECT_EQ(std::ranges::count_if(got, [](const Bytes& b) { return b[1] == 123; }), 16);
}

// The program with its window, or without one (in Japanese, as this test's
// texts are).
class Recovery : public ::testing::TestWithParam<Arguments> {
  protected:
    void SetUp() override {
        restartServer();
        moxel.writeSettings(kStored);
        moxel.setArguments(GetParam());
        if (headless()) { // with a display it must not try
            moxel.setPlatform("xcb");
            moxel.setVariable("DISPLAY", ":77");
            moxel.setVariable("LC_ALL", "ja_JP.UTF-8"); // unless --lang says otherwise
        }
        moxel.setErrorOutput(moxel.folder() / "errors.txt");
        moxel.start(serverName);
        ASSERT_TRUE(reconnected());
    }
    void TearDown() override { EXPECT_EQ(readFileBytes(moxel.folder() / "setting.ini"), kStored); }
    bool headless() const {
        return !kWindow || (!GetParam().empty() && GetParam()[0] == "--headless");
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
    // Plays the message until the synth hears it, or what the channel rule
    // makes of it (what is played before the connection holds is lost on the
    // way).
    bool heard(const Bytes& message, const Bytes& arrives = {}) {
        return heardAt(*keys, *synth, message, arrives.empty() ? message : arrives);
    }
    // The synth heard the note-off of that key (without the keyboard playing it).
    bool released(std::uint8_t key) {
        const auto got = synth->receivedBytes();
        return std::ranges::find(got, Bytes{0x83, key, 0}) != got.end();
    }
    void expectClosedInOrder(std::uint8_t heldKey) {
        moxel::test::expectClosedInOrder(*synth, heldKey);
    }

    const std::string serverName = JackServer::uniqueName();
    std::unique_ptr<JackServer> server;
    std::unique_ptr<JackPeer> keys, synth, drums;
    Program moxel;
};

TEST_P(Recovery, TheServerGoesAndComesBackAndSigtermStillClosesInOrder) {
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

TEST_P(Recovery, ClosingTheTerminalItStartedFromClosesItInOrder) {
    ASSERT_TRUE(heard({0x93, 64, 100}));
    EXPECT_EQ(moxel.stop(SIGHUP), std::optional<int>(0));
    expectClosedInOrder(64);
}

// A second start talks to the running one, whichever kind either is; the
// synth that goes and comes back is opened again on its channel.
TEST_P(Recovery, ADeviceThatGoesAndComesBackIsOpenedAgainOnItsStoredChannel) {
    EXPECT_EQ(Program::exitStatus(moxel.start(serverName), 10s), std::optional<int>(0));
    ASSERT_TRUE(heard(kPlayed, kHeard));
    synth.reset(); // goes, and comes back
    synth = std::make_unique<JackPeer>("synth");
    ASSERT_TRUE(reconnected());
    ASSERT_TRUE(heard(kPlayed, kHeard));
    EXPECT_EQ(moxel.stop(SIGTERM), std::optional<int>(0));
    expectClosedInOrder(64);
    const std::string errors = readFileBytes(moxel.folder() / "errors.txt");
    for (const Text event : {Text::EventOpened, Text::EventLost, Text::EventBack}) {
        const std::string line = "moxel: MIDI OUT" +
                                 std::string(event == Text::EventLost ? "" : " 4Ch") + ": " +
                                 text(event, "synth:in") + "\n";
        EXPECT_EQ(errors.find(line) != std::string::npos, headless()) << errors;
    }
    // Said only where it could not be told: a window was wanted but not built.
    EXPECT_EQ(errors.find("moxel: this Moxel is built without a window; running as with "
                          "--headless\n") != std::string::npos,
              !kWindow && GetParam().empty())
        << errors;
}

INSTANTIATE_TEST_SUITE_P(WindowAndHeadless, Recovery,
                         ::testing::Values(Arguments{}, Arguments{"--headless", "--lang=ja"}));

#if MOXEL_WINDOW
// The display is the window's alone.
class RecoveryOnDisplay : public Recovery {};
INSTANTIATE_TEST_SUITE_P(Window, RecoveryOnDisplay, ::testing::Values(Arguments{}));

TEST_P(RecoveryOnDisplay, TheDisplayGoingAwayAtTheEndOfASessionClosesItInOrder) {
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
#endif

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

// The command line's devices and channel, with or without the window, for one
// run: setting.ini stays as it was.
TEST(RecoveryStart, TheCommandLinesDevicesAndChannelHoldForOneRun) {
    JackServer server;
    ASSERT_TRUE(server.running()) << server.error();
    JackPeer keys("keys"), pads("pads"), synth("synth"), drums("drums");
    const struct {
        Arguments arguments;
        JackPeer& source;
        JackPeer& sink;
        std::uint8_t status; // what a note-on of channel 1 arrives as
    } runs[] = {
        {{"--headless", "--in", "pads:out", "--out", "drums:in", "--channel", "7"},
         pads,
         drums,
         0x96},
        {{"--headless", "--channel", "follow"}, keys, synth, 0x90},
        {{"--out=drums:in", "--channel=2"}, keys, drums, 0x91},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.arguments.back());
        run.sink.clearReceived();
        Program moxel;
        moxel.writeSettings(kStored);
        moxel.setArguments(run.arguments);
        moxel.start(server.name());
        EXPECT_TRUE(heardAt(run.source, run.sink, {0x90, 60, 100}, {run.status, 60, 100}));
        EXPECT_EQ(moxel.stop(SIGTERM), std::optional<int>(0));
        expectClosedInOrder(run.sink, 60, run.status & 0x0F);
        EXPECT_EQ(readFileBytes(moxel.folder() / "setting.ini"), kStored);
    }
}

} // namespace
} // namespace moxel::test
