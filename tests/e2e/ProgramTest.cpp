// The built program as a process: one instance at a time, an orderly exit on
// SIGTERM and SIGINT, and a whole run over a private JACK server with its own
// setting.ini.
#include <algorithm>
#include <cstdio>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "Program.h"
#include "peer/JackServer.h"

namespace moxel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ProgramTest, OneInstanceAtATimeAndSigintEndsItInOrder) {
    Program moxel;
    writeFileBytes(moxel.lockFile(), "left behind"); // by a crash: nobody holds its lock
    moxel.start();
    ASSERT_TRUE(moxel.locked());
    EXPECT_EQ(Program::exitStatus(moxel.start(), 10s), std::optional<int>(0));
    EXPECT_TRUE(moxel.running()); // the second start ended, the first runs on
    EXPECT_EQ(moxel.stop(SIGINT), std::optional<int>(0));
}

// What the program prints and its exit status, run with that environment
// prefix and those arguments.
std::pair<std::string, int> run(const std::string& command) {
    const std::string program = std::string(MOXEL_BINARY_DIR) + "/moxel";
    FILE* out = ::popen(("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR=" +
                         ::testing::TempDir() + " " + program + command + " 2>&1")
                            .c_str(),
                        "r");
    std::string text;
    for (char buffer[256]; std::fgets(buffer, sizeof buffer, out) != nullptr;) {
        text += buffer;
    }
    const int status = ::pclose(out);
    return {text, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(ProgramTest, TheCommandLineAnswersWithoutADisplayAndWithoutOneTheProgramSaysSo) {
    EXPECT_EQ(run(" --version"), (std::pair<std::string, int>("Moxel 1.0\n", 0)));
    EXPECT_EQ(run(" --help").second, 0);
    EXPECT_EQ(run(" --bogus").second, 2);
    const auto [text, status] = run("");
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(text.starts_with("moxel: no display") && text.find('\n') == text.size() - 1)
        << text;
}

} // namespace
} // namespace moxel::test
