// The built program as a process: one instance at a time (a stopped one makes
// a second start say so, quickly), an orderly exit on SIGINT, a settings file
// that is no file, what it says without a display it can reach, the devices
// it lists without one, and the commands it passes to the running one.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "Program.h"
#include "peer/JackServer.h"

namespace moxel::test {
namespace {

// What the program prints and its exit status, run with those environment
// settings (after: no display, a runtime folder of its own) and arguments.
std::pair<std::string, int> run(const std::string& settings, const std::string& arguments = "") {
    const TempDir runtime;
    FILE* out = ::popen(("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR=" +
                         runtime.path().string() + " " + settings + " " + MOXEL_BINARY_DIR +
                         "/moxel" + arguments + " 2>&1")
                            .c_str(),
                        "r");
    std::string text;
    for (char buffer[256]; std::fgets(buffer, sizeof buffer, out) != nullptr;) {
        text += buffer;
    }
    const int status = ::pclose(out);
    return {text, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(ProgramTest, OneInstanceAtATimeAStoppedOneKeepsNobodyWaitingAndSigintEndsItInOrder) {
    Program moxel;
    writeFileBytes(moxel.lockFile(), "left behind"); // by a crash: nobody holds its lock
    moxel.start();
    ASSERT_TRUE(moxel.locked());
    ASSERT_TRUE(
        waitUntil([&] { return std::filesystem::exists(moxel.folder() / "moxel.socket"); }));
    EXPECT_EQ(Program::exitStatus(moxel.start(), 10s), std::optional<int>(0));
    EXPECT_TRUE(moxel.running()); // the second start ended, the first runs on

    ::kill(moxel.pid(), SIGSTOP);
    const auto started = std::chrono::steady_clock::now();
    const auto [text, status] = run("XDG_RUNTIME_DIR=" + moxel.folder().string());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    ::kill(moxel.pid(), SIGCONT);
    EXPECT_EQ(status, 3);
    EXPECT_EQ(text, "moxel: Moxel is already running but does not answer (it may be stopped or "
                    "hung); end it, then start Moxel again\n");
    EXPECT_EQ(moxel.stop(SIGINT), std::optional<int>(0));
}

// A FIFO where setting.ini should be is said once and read as no settings:
// it holds up neither the start nor the end on SIGTERM, and stays a FIFO.
TEST(ProgramTest, ASettingsFileThatIsAFifoIsSaidOnceAndHoldsUpNothing) {
    Program moxel;
    const std::filesystem::path fifo = moxel.folder() / "setting.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    writeFileBytes(moxel.folder() / "errors.txt", "");
    moxel.setErrorOutput(moxel.folder() / "errors.txt");
    moxel.start();
    const std::string said =
        "moxel: \"" + fifo.string() +
        "\" is not a regular file but a FIFO (named pipe); using the defaults\n";
    const auto errors = [&] { return readFileBytes(moxel.folder() / "errors.txt"); };
    EXPECT_TRUE(waitUntil([&] { return errors().find(said) != std::string::npos; }, 20s));
    EXPECT_EQ(moxel.stop(SIGTERM), std::optional<int>(0));
    EXPECT_EQ(errors().find(said), errors().rfind(said)) << "said once";
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST(ProgramTest, TheCommandLineAnswersWithoutADisplayAndWithoutOneItCanReachTheProgramSaysSo) {
    EXPECT_EQ(run("", " --version"), (std::pair<std::string, int>("Moxel 1.0\n", 0)));
    const auto [help, helpStatus] = run("", " --help");
    EXPECT_EQ(helpStatus, 0);
    EXPECT_EQ(help.find("\nThis Moxel is built without a window: it always runs as with "
                        "--headless.\n") != std::string::npos,
              !kWindow)
        << help;
    EXPECT_EQ(run("", " --bogus").second, 2);
    EXPECT_EQ(run("", " --headless --channel 17").second, 2);
    if (!kWindow) {
        return; // it runs as with --headless (RecoveryTest)
    }
    for (const auto& [settings, says] :
         {std::pair{"", "moxel: no display"},
          {"DISPLAY=:77", "moxel: cannot show the window: could not connect to display :77"},
          {"QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=nowhere", "moxel: cannot show the window: "},
          {"DISPLAY=:77 QT_QPA_PLATFORM=bogus", "moxel: cannot show the window: "}}) {
        const auto [text, status] = run(settings);
        EXPECT_EQ(status, 1) << settings; // not an abort
        EXPECT_TRUE(text.starts_with(says) && text.find('\n') == text.size() - 1) << text;
    }
}

TEST(ProgramTest, ListNamesTheDevicesOfTheSystemItChoosesAsTheListsDo) {
    JackServer server;
    ASSERT_TRUE(server.running()) << server.error();
    JackPeer keys("keys"), synth("synth");
    EXPECT_EQ(
        run("JACK_NO_START_SERVER=1 JACK_DEFAULT_SERVER=" + server.name(), " --list --lang en"),
        (std::pair<std::string, int>("MIDI system: JACK\nMIDI IN:\nkeys:out\nsynth:out\n"
                                     "MIDI OUT:\nkeys:in\nsynth:in\n",
                                     0)));
}

// --program and --panic go through the running Moxel, with its window or
// without one, the patch box's and the menu's way, to the output on its
// channel; with none running they say so.
TEST(ProgramTest, ProgramAndPanicReachTheOutputThroughTheRunningMoxelAndNeedOneRunning) {
    using Bytes = std::vector<std::uint8_t>;
    for (const char* kind : {"--lang=en", "--headless"}) {
        SCOPED_TRACE(kind);
        JackServer server; // of its own: none of the other Moxel's ports linger
        ASSERT_TRUE(server.running()) << server.error();
        JackPeer synth("synth");
        Program moxel;
        const std::string stored = "[Moxel Settings.]\nDefaultMidiOut=synth:in\nsynth:in=3\n";
        moxel.writeSettings(stored);
        moxel.setArguments({kind});
        moxel.start(server.name());
        ASSERT_TRUE(waitUntil([&] { return connectedAnywhere(synth, synth.sinkPort()); }, 20s));
        synth.clearReceived();
        moxel.setArguments({"--program", "5"});
        EXPECT_EQ(Program::exitStatus(moxel.start(server.name()), 10s), std::optional<int>(0));
        ASSERT_TRUE(synth.waitForReceived(1));
        moxel.setArguments({"--panic"});
        EXPECT_EQ(Program::exitStatus(moxel.start(server.name()), 10s), std::optional<int>(0));
        ASSERT_TRUE(waitUntil([&] { return synth.receivedBytes().size() >= 1 + 16 * 3; }));
        const auto got = synth.receivedBytes();
        EXPECT_EQ(got.front(), (Bytes{0xC3, 5}));
        EXPECT_NE(std::ranges::find(got, Bytes{0xB3, 120, 0}), got.end());
        EXPECT_EQ(std::ranges::count_if(got, [](const Bytes& b) { return b[1] == 120; }), 16);
        EXPECT_EQ(moxel.stop(SIGTERM), std::optional<int>(0));
        EXPECT_EQ(readFileBytes(moxel.folder() / "setting.ini"), stored);
    }
    for (const char* command : {" --panic", " --program 5"}) {
        EXPECT_EQ(run("", command), (std::pair<std::string, int>(
                                        "moxel: Moxel is not running; start it first\n", 3)));
    }
}

} // namespace
} // namespace moxel::test
