// The built program as a process: one instance at a time, an orderly exit on
// SIGTERM and SIGINT, and a whole run over a private JACK server with its own
// setting.ini.
#include <algorithm>

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

} // namespace
} // namespace moxel::test
