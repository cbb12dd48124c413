#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>

#include "RunUnprivileged.h"
#include "support/TempDir.h"

namespace moxel {
namespace {

using test::TempDir;
using test::writeFileBytes;

class SettingsLocationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The unprivileged user of the read-only cases must reach the folders.
        ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
        std::filesystem::create_directory(program);
    }

    std::string programPath() const { return program.string() + "/"; }

    TempDir dir;
    std::filesystem::path program = dir / "program";
};

TEST_F(SettingsLocationTest, WritableProgramFolderHoldsTheFile) {
    EXPECT_EQ(settingsFileLocation(programPath(), "/xdg", "/home/u"),
              programPath() + "setting.ini");
}

TEST_F(SettingsLocationTest, ElsewhereTheConfigurationFolderHoldsIt) {
    const std::string missingProgram = (dir / "no-such-folder").string() + "/";
    const struct {
        std::string xdg;
        std::string home;
        std::string expected;
    } cases[] = {
        {"/xdg", "/home/u", "/xdg/moxel/setting.ini"},
        {"/xdg/", "/home/u", "/xdg/moxel/setting.ini"},
        {"", "/home/u", "/home/u/.config/moxel/setting.ini"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(settingsFileLocation(missingProgram, c.xdg, c.home), c.expected) << c.xdg;
        EXPECT_EQ(settingsFileLocation("", c.xdg, c.home), c.expected) << c.xdg;
    }
}

TEST_F(SettingsLocationTest, ReadOnlyProgramFolder) {
    // Without a file: the configuration folder. With one: the program folder.
    ASSERT_EQ(chmod(program.c_str(), 0555), 0);
    const auto locate = [&] {
        return settingsFileLocation(programPath(), "/xdg", "/home/u").string();
    };
    const std::optional<std::string> withoutFile = test::runUnprivileged(locate);
    if (!withoutFile) {
        GTEST_SKIP() << "running as root and cannot switch to an unprivileged user";
    }
    EXPECT_EQ(*withoutFile, "/xdg/moxel/setting.ini");

    ASSERT_EQ(chmod(program.c_str(), 0755), 0);
    writeFileBytes(program / "setting.ini", "");
    ASSERT_EQ(chmod(program.c_str(), 0555), 0);
    EXPECT_EQ(test::runUnprivileged(locate), programPath() + "setting.ini");
}

} // namespace
} // namespace moxel
