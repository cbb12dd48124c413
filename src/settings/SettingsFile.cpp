#include "settings/SettingsFile.h"

#include <cerrno>
#include <utility>

#include "encoding/Utf8Path.h"
#include "settings/AtomicFile.h"
#include "settings/Folders.h"
#include "settings/ProfileFile.h"
#include "settings/ProfileValue.h"

namespace moxel {

SettingsFile::SettingsFile(std::filesystem::path file) : file_(std::move(file)) {}

std::string SettingsFile::readString(std::string_view key, std::string_view defaultValue) const {
    return readProfileString(kSettingsSection, key, defaultValue, file_);
}

std::optional<std::string> SettingsFile::readProblem() const {
    std::string bytes;
    FileResult read = readWholeFile(file_, bytes);
    if (read.ok() || read.errorNumber == ENOENT) {
        return std::nullopt;
    }
    return std::move(read.reason);
}

std::int32_t SettingsFile::readInt(std::string_view key) const {
    return readProfileInt(kSettingsSection, key, 0, file_);
}

WriteOutcome SettingsFile::writeString(std::string_view key, std::string_view value,
                                       std::chrono::milliseconds lockWait) {
    // Folders are made only for a write that will happen; writeProfileString
    // gives the reason for one that will not.
    if (!key.empty() && valueFitsOnLine(value)) {
        if (WriteOutcome folders = createMissingFolders(file_); !folders.ok()) {
            return folders;
        }
    }
    return writeProfileString(kSettingsSection, key, value, file_, lockWait);
}

std::filesystem::path settingsFileLocation(const std::string& appPath,
                                           const std::filesystem::path& userFolder) {
    if (!appPath.empty()) {
        const std::filesystem::path folder = pathFromUtf8(appPath);
        std::filesystem::path beside = pathFromUtf8(appPath + std::string(kSettingsFileName));
        std::error_code error;
        if (isUsersOwnFolder(folder) &&
            (std::filesystem::exists(beside, error) || isWritableFolder(folder))) {
            return beside;
        }
    }
    return userFolder / kSettingsFileName;
}

std::filesystem::path xdgSettingsFolder(const std::string& xdgConfigHome, const std::string& home) {
    const std::filesystem::path configHome =
        !xdgConfigHome.empty() ? pathFromUtf8(xdgConfigHome) : pathFromUtf8(home) / ".config";
    return configHome / "moxel";
}

std::filesystem::path appDataSettingsFolder(const std::string& appData) {
    return pathFromUtf8(appData) / "Moxel";
}

} // namespace moxel
