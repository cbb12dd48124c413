#include "settings/SettingsFile.h"

#include <cerrno>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

#include "settings/ProfileFile.h"
#include "settings/ProfileValue.h"

namespace moxel {

namespace {

// Creates the folders above file that do not exist yet (new ones private to
// the user, as configuration folders are).
WriteOutcome createMissingFolders(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path();
    if (folder.empty()) {
        return {};
    }
    std::filesystem::path partial;
    for (const std::filesystem::path& part : folder) {
        partial /= part;
        if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            std::string reason = "cannot create the folder \"" + partial.string() + "\": ";
            reason += std::error_code(errno, std::generic_category()).message();
            return {WriteOutcome::Status::Failed, std::move(reason)};
        }
    }
    return {};
}

bool isWritableFolder(const std::string& folder) {
    struct stat info {};
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace

SettingsFile::SettingsFile(std::filesystem::path file) : file_(std::move(file)) {}

std::string SettingsFile::readString(std::string_view key, std::string_view defaultValue) const {
    return readProfileString(kSettingsSection, key, defaultValue, file_);
}

std::int32_t SettingsFile::readInt(std::string_view key) const {
    return readProfileInt(kSettingsSection, key, 0, file_);
}

WriteOutcome SettingsFile::writeString(std::string_view key, std::string_view value) {
    // Folders are made only for a write that will happen; writeProfileString
    // gives the reason for one that will not.
    if (!key.empty() && valueFitsOnLine(value)) {
        if (WriteOutcome folders = createMissingFolders(file_); !folders.ok()) {
            return folders;
        }
    }
    return writeProfileString(kSettingsSection, key, value, file_);
}

std::filesystem::path settingsFileLocation(const std::string& appPath,
                                           const std::string& xdgConfigHome,
                                           const std::string& home) {
    if (!appPath.empty()) {
        const std::string beside = appPath + std::string(kSettingsFileName);
        std::error_code error;
        if (std::filesystem::exists(beside, error) || isWritableFolder(appPath)) {
            return beside;
        }
    }
    const std::string configHome = !xdgConfigHome.empty() ? xdgConfigHome : home + "/.config";
    return std::filesystem::path(configHome) / "moxel" / kSettingsFileName;
}

} // namespace moxel
