// What a screen reader hears of the real program: Moxel on a virtual display
// with its accessibility on, read over AT-SPI on a private D-Bus session by
// tests/e2e/accessibility_tree.py, in Japanese and in English, while MIDI
// passes through it on a private JACK server. Exits with 77 (skipped) where
// the D-Bus daemon, the AT-SPI services or Python's pyatspi are missing.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "Program.h"
#include "peer/JackServer.h"
#include "peer/VirtualDisplay.h"

namespace moxel::test {
namespace {

const std::string script = std::string(MOXEL_SOURCE_DIR) + "/tests/e2e/accessibility_tree.py";

// The first Python that has pyatspi (a Python of the user's own may come first
// on the PATH), or nothing.
std::string pythonWithPyatspi() {
    for (const char* python : {"python3", "/usr/bin/python3"}) {
        const std::string probe = std::string(python) + " -c 'import pyatspi' 2>/dev/null";
        if (std::system(probe.c_str()) == 0) {
            return python;
        }
    }
    return {};
}

// A D-Bus session bus of the test's own; AT-SPI's bus comes with it when
// something first asks for it.
class PrivateSession {
  public:
    PrivateSession() {
        FILE* daemon = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        char address[512] = {};
        if (daemon != nullptr && std::fgets(address, sizeof address, daemon) != nullptr &&
            std::fscanf(daemon, "%d", &pid_) == 1) {
            std::string bus(address);
            bus.erase(bus.find_last_not_of('\n') + 1);
            ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
        }
        if (daemon != nullptr) {
            ::pclose(daemon);
        }
    }
    ~PrivateSession() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM); // the AT-SPI services end with their session
        }
    }
    bool running() const { return pid_ > 0; }

  private:
    pid_t pid_ = -1;
};

struct Control {
    std::string role, name, description;
};

// A line the script printed, as its tab-separated fields.
Control fieldsOf(std::string line) {
    line.erase(line.find_last_not_of('\n') + 1);
    std::istringstream fields(line);
    Control control;
    std::getline(fields, control.role, '\t');
    std::getline(fields, control.name, '\t');
    std::getline(fields, control.description);
    return control;
}

// The controls of Moxel's window as AT-SPI gives them (none while Moxel is
// not on the accessibility bus).
std::vector<Control> readTree(const std::string& python) {
    std::vector<Control> controls;
    FILE* reader = ::popen((python + " " + script + " tree").c_str(), "r");
    char line[1024];
    while (reader != nullptr && std::fgets(line, sizeof line, reader) != nullptr) {
        controls.push_back(fieldsOf(line));
    }
    if (reader != nullptr) {
        ::pclose(reader);
    }
    return controls;
}

// The changes of description AT-SPI reports, by the name of the control,
// from the script's watch, which ends with this.
class DescriptionWatch {
  public:
    explicit DescriptionWatch(const std::string& python) {
        int out[2];
        if (::pipe(out) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::execlp(python.c_str(), python.c_str(), script.c_str(), "watch", "60", nullptr);
            ::_exit(127);
        }
        ::close(out[1]);
        pipe_ = ::fdopen(out[0], "r");
        reader_ = std::thread([this] { read(); });
    }
    ~DescriptionWatch() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (reader_.joinable()) {
            reader_.join();
        }
        if (pipe_ != nullptr) {
            std::fclose(pipe_);
        }
    }
    bool ready() const {
        const std::lock_guard lock(mutex_);
        return ready_;
    }
    std::map<std::string, std::vector<std::string>> changes() const {
        const std::lock_guard lock(mutex_);
        return changes_;
    }

  private:
    void read() {
        char line[1024];
        while (pipe_ != nullptr && std::fgets(line, sizeof line, pipe_) != nullptr) {
            const Control change = fieldsOf(line);
            const std::lock_guard lock(mutex_);
            ready_ = ready_ || change.role == "ready";
            if (change.role == "description") {
                changes_[change.name].push_back(change.description);
            }
        }
    }

    pid_t pid_ = -1;
    FILE* pipe_ = nullptr;
    mutable std::mutex mutex_;
    bool ready_ = false;
    std::map<std::string, std::vector<std::string>> changes_;
    std::thread reader_;
};

class AccessibilityOverAtSpi : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { python = pythonWithPyatspi(); }
    void SetUp() override {
        ASSERT_TRUE(display.running()) << "no Xvfb";
        ASSERT_TRUE(session.running()) << "no D-Bus session";
        ASSERT_TRUE(server.running()) << server.error();
        ::setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
    }

    // Moxel in that language, between the keys and the synth, once AT-SPI
    // shows its window with the keys chosen.
    std::vector<Control> start(Program& moxel, const char* language) {
        moxel.writeSettings("[Moxel Settings.]\nDefaultMidiIn=keys:out\nDefaultMidiOut=synth:in\n");
        moxel.setPlatform("xcb");
        moxel.setArguments({"--lang", language});
        moxel.start(server.name());
        std::vector<Control> controls;
        waitUntil(
            [&] {
                controls = readTree(python);
                return std::ranges::any_of(
                    controls, [](const Control& c) { return c.description == "1|keys:out"; });
            },
            20s);
        return controls;
    }

    static inline std::string python;
    VirtualDisplay display;
    PrivateSession session;
    JackServer server;
    JackPeer keys{"keys"};
    JackPeer synth{"synth"};
};

// Every list and lamp has a name that is neither its value nor a symbol, one
// in each language, and a lamp's state changes when MIDI passes and comes back.
TEST_F(AccessibilityOverAtSpi, ListsAndLampsAreNamedAndALampTellsWhenMidiPasses) {
    std::map<std::string, std::set<std::string>> listNames; // by value, over both languages
    for (const char* language : {"ja", "en"}) {
        SCOPED_TRACE(language);
        Program moxel;
        const std::vector<Control> controls = start(moxel, language);
        ASSERT_FALSE(controls.empty()) << "Moxel is not on the accessibility bus";
        int lists = 0;
        for (const Control& control : controls) {
            SCOPED_TRACE(control.role + " '" + control.name + "' '" + control.description + "'");
            EXPECT_GE(control.name.size(), 3U);
            EXPECT_EQ(control.name.find("\u25CF"), std::string::npos);
            if (control.role == "combo box") {
                ++lists;
                EXPECT_NE(control.name, control.description); // the entry shown
                EXPECT_EQ(control.name.find('|'), std::string::npos);
                listNames[control.description].insert(control.name);
            }
        }
        EXPECT_EQ(lists, 4);

        DescriptionWatch watch(python);
        ASSERT_TRUE(waitUntil([&] { return watch.ready(); }, 10s));
        // A note now and then (the lamps fade in half a second) until both
        // lamps were seen lit and off again.
        const auto litAndOffAgain = [&] {
            const auto changes = watch.changes();
            return std::ranges::count_if(changes, [](const auto& lamp) {
                       return std::set(lamp.second.begin(), lamp.second.end()).size() >= 2;
                   }) >= 2;
        };
        waitUntil(
            [&] {
                keys.send({0x90, 60, 100});
                keys.send({0x80, 60, 0});
                return waitUntil(litAndOffAgain, 700ms);
            },
            12s);
        const auto changes = watch.changes();
        EXPECT_EQ(changes.size(), 2U) << "the two lamps, and nothing else";
        for (const auto& [name, states] : changes) {
            SCOPED_TRACE(name);
            EXPECT_GE(std::set(states.begin(), states.end()).size(), 2U) << "lit, then off";
            const auto inTree = std::ranges::find(controls, name, &Control::name);
            ASSERT_NE(inTree, controls.end());
            EXPECT_EQ(inTree->role, "label");
            EXPECT_EQ(states.back(), inTree->description) << "off again, as before";
            EXPECT_NE(name, inTree->description);
        }
    }
    for (const auto& [value, names] : listNames) {
        EXPECT_EQ(names.size(), 2U) << value << ": a name in each language";
    }
}

} // namespace
} // namespace moxel::test

// Skipped (77) where what reads the tree is missing.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const bool busServices =
        std::filesystem::exists("/usr/share/dbus-1/services/org.a11y.Bus.service");
    if (std::system("dbus-daemon --version >/dev/null 2>&1") != 0 || !busServices ||
        moxel::test::pythonWithPyatspi().empty()) {
        std::puts("skipped: dbus-daemon, at-spi2-core or python3-pyatspi is not installed");
        return 77;
    }
    return RUN_ALL_TESTS();
}
