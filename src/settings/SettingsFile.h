#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "settings/AtomicFile.h"
#include "settings/WriteOutcome.h"

namespace moxel {

// The one section of setting.ini, and the file's name.
inline constexpr std::string_view kSettingsSection = "Moxel Settings.";
inline constexpr std::string_view kSettingsFileName = "setting.ini";

// setting.ini: one INI section, "Moxel Settings.", read and written key by
// key. Each call is self-contained (the file is never held open).
class SettingsFile {
  public:
    explicit SettingsFile(std::filesystem::path file);

    const std::filesystem::path& path() const { return file_; }

    // The key's value (at most 127 bytes, never splitting a UTF-8 character),
    // or defaultValue (cut the same way) when the file, the section or the key
    // is missing. Key names match without regard to ASCII letter case.
    std::string readString(std::string_view key, std::string_view defaultValue) const;

    // Why the file cannot be read, when it is there: it is refused (not a
    // regular file, larger than 1 MiB) or the system fails to read it (no
    // permission, ...). Nothing when it reads or does not exist; either way
    // its keys then read their defaults.
    std::optional<std::string> readProblem() const;

    // The key's value as a whole number (leading blanks, optional sign, leading
    // digits); 0 when missing or not a number.
    std::int32_t readInt(std::string_view key) const;

    // Sets the key, creating file, section or key as needed and keeping every
    // other line as it was. Atomic: the old file stays intact on failure; two
    // Moxels writing the file lose no update. Only a regular file is ever
    // replaced (see updateFileAtomically()); a read-only one is not.
    // Missing folders above the file are created first. An empty key name is
    // skipped (and reads the default); a name the INI format cannot carry as
    // it is gets stored encoded and is found again under the same name.
    // Another writer holding the file is waited for at most lockWait, then
    // the outcome is Busy. No write makes the file larger than it may be
    // read (kFileSizeLimit).
    WriteOutcome writeString(std::string_view key, std::string_view value,
                             std::chrono::milliseconds lockWait = kFileLockWait);

  private:
    std::filesystem::path file_;
};

// Where setting.ini lives: in the program's folder when that folder is the
// user's own (isUsersOwnFolder: never a system folder such as /usr/bin, nor
// another user's, also for root) and is writable or already holds the file;
// otherwise in userFolder.
// appPath is the program folder (UTF-8) with its trailing separator; the file
// path is that text followed by "setting.ini". An empty appPath always gives
// userFolder.
std::filesystem::path settingsFileLocation(const std::string& appPath,
                                           const std::filesystem::path& userFolder);

// The user's folder for setting.ini on Linux: $XDG_CONFIG_HOME/moxel, else
// $HOME/.config/moxel.
std::filesystem::path xdgSettingsFolder(const std::string& xdgConfigHome, const std::string& home);

// The same on Windows: %APPDATA%\Moxel.
std::filesystem::path appDataSettingsFolder(const std::string& appData);

} // namespace moxel
