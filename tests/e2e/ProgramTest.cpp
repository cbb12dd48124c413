// The built program as a process: one instance at a time, an orderly exit on
// SIGTERM and SIGINT, and a whole run over a private JACK server with its own
// setting.ini.
#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "Program.h"
#include "peer/JackServer.h"
#include "peer/WaitUntil.h"

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
