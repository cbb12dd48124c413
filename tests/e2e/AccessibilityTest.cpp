// What a screen reader hears of the real program: Moxel on a virtual display
// with its accessibility on, read over AT-SPI on a private D-Bus session by
// tests/e2e/accessibility_tree.py, in Japanese and in English, while MIDI
// passes through it on a private JACK server. Exits with 77 (skipped) where
// the D-Bus daemon, the AT-SPI services or Python's pyatspi are missing.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "Program.h"
#include "peer/DBusSession.h"
#include "peer/JackServer.h"
#include "peer/VirtualDisplay.h"

namespace moxel::test {
namespace {

// The system's Python, which has the system's pyatspi (a Python of the
// user's own may come first on the PATH).
constexpr const char* kPython = "/usr/bin/python3";

struct Line {
    std::string kind, name, description; // for a control, its role
};

// Runs the script with these arguments until it ends; the lines it printed,
// each also to `seen` as it comes.
std::vector<Line> run(const std::string& arguments, std::function<void(const Line&)> seen = {}) {
    static const std::string command =
        std::string(kPython) + " " + MOXEL_SOURCE_DIR + "/tests/e2e/accessibility_tree.py ";
    std::vector<Line> lines;
    FILE* script = ::popen((command + arguments).c_str(), "r");
    char text[1024];
    while (script != nullptr && std::fgets(text, sizeof text, script) != nullptr) {
        std::istringstream fields(std::string(text, std::strcspn(text, "\n")));
        Line& line = lines.emplace_back();
        std::getline(fields, line.kind, '\t');
        std::getline(fields, line.name, '\t');
        std::getline(fields, line.description);
        if (seen) {
            seen(line);
        }
    }
    if (script != nullptr) {
        ::pclose(script);
    }
    return lines;
}

// Every list and lamp has a name that is neither its value nor a symbol, one
// in each language, and a lamp's state changes when MIDI passes and comes back.
TEST(AccessibilityOverAtSpi, ListsAndLampsAreNamedAndALampTellsWhenMidiPasses) {
    VirtualDisplay display;
    DBusSession session;
    JackServer server;
    ASSERT_TRUE(display.running() && session.running());
    ASSERT_TRUE(server.running()) << server.error();
    JackPeer keys("keys"), synth("synth");
    ::setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
    std::map<std::string, std::set<std::string>> listNames; // by the entry shown
    for (const char* language : {"ja", "en"}) {
        SCOPED_TRACE(language);
        Program moxel;
        moxel.writeSettings("[Moxel Settings.]\nDefaultMidiIn=keys:out\nDefaultMidiOut=synth:in\n");
        moxel.setPlatform("xcb");
        moxel.setArguments({"--lang", language});
        moxel.start(server.name());
        std::vector<Line> tree;
        ASSERT_TRUE(waitUntil(
            [&] {
                tree = run("tree");
                return std::ranges::find(tree, "1|keys:out", &Line::description) != tree.end();
            },
            20s))
            << "Moxel is not on the accessibility bus with its devices";
        EXPECT_TRUE(std::ranges::any_of(tree, [](const Line& line) { // a window is a frame
            return line.kind == "frame" && line.name == "Moxel";
        }));
        for (const Line& control : tree) {
            SCOPED_TRACE(control.kind + " '" + control.name + "' '" + control.description + "'");
            EXPECT_GE(control.name.size(), 3U);
            EXPECT_EQ(control.name.find("\u25CF"), std::string::npos);
            if (control.kind == "combo box") {
                EXPECT_NE(control.name, control.description); // the entry shown
                EXPECT_EQ(control.name.find('|'), std::string::npos);
                listNames[control.description].insert(control.name);
            }
        }

        // A note now and then (a lamp goes out in half a second) until two
        // lamps were seen lit and out again.
        std::atomic<bool> ready = false, ended = false;
        std::vector<Line> changes;
        std::thread watch([&] {
            changes =
                run("watch 15", [&](const Line& line) { ready = ready || line.kind == "ready"; });
            ended = true;
        });
        waitUntil([&] { return ready.load(); }, 10s);
        waitUntil(
            [&] {
                keys.send({0x90, 60, 100});
                keys.send({0x80, 60, 0});
                return waitUntil([&] { return ended.load(); }, 700ms);
            },
            20s);
        watch.join();
        std::map<std::string, std::set<std::string>> states; // by lamp
        for (const Line& change : changes) {
            if (change.kind == "description") {
                states[change.name].insert(change.description);
            }
        }
        EXPECT_EQ(states.size(), 2U) << "the two lamps, and nothing else";
        for (const auto& [name, lampStates] : states) {
            SCOPED_TRACE(name);
            const auto lamp = std::ranges::find(tree, name, &Line::name);
            ASSERT_NE(lamp, tree.end());
            EXPECT_EQ(lamp->kind, "label");
            EXPECT_GE(lampStates.size(), 2U) << "lit, then off as before";
            EXPECT_TRUE(lampStates.contains(lamp->description));
            EXPECT_FALSE(lampStates.contains(name));
        }
    }
    for (const auto& [entry, names] : listNames) {
        EXPECT_EQ(names.size(), 2U) << entry << ": a name in each language";
    }
}

} // namespace
} // namespace moxel::test

// Skipped (77) where what reads the tree is missing.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (std::system("dbus-daemon --version >/dev/null 2>&1") != 0 ||
        !std::filesystem::exists("/usr/share/dbus-1/services/org.a11y.Bus.service") ||
        std::system(
            (std::string(moxel::test::kPython) + " -c 'import pyatspi' 2>/dev/null").c_str()) !=
            0) {
        std::puts("skipped: dbus-daemon, at-spi2-core or python3-pyatspi is not installed");
        return 77;
    }
    return RUN_ALL_TESTS();
}
