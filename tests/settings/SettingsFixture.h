#pragma once

// What the tests of setting.ini on disk share, on every system.

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "settings/SettingsFile.h"
#include "support/TempDir.h"

namespace moxel {

inline const std::string kOld = "; keep me\r\n[Moxel Settings.]\r\nUpdateInCh=0\r\n";

class SettingsFileTest : public ::testing::Test {
  protected:
    // The old file is intact and nothing else is in its folder (no temporary file).
    void expectOldFileAlone(const std::filesystem::path& old) {
        EXPECT_EQ(test::readFileBytes(old), kOld);
        for (const auto& entry : std::filesystem::directory_iterator(old.parent_path())) {
            EXPECT_EQ(entry.path(), old);
        }
    }

    test::TempDir dir;
    std::filesystem::path file = dir / "setting.ini";
    SettingsFile settings{file};
};

} // namespace moxel
