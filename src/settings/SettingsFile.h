#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace moxel {

// Outcome of writing one key.
struct WriteOutcome {
    enum class Status { Written, Skipped, Failed };
    Status status = Status::Written;
    std::string reason; // for Skipped/Failed: why, in words for the user
    bool ok() const { return status == Status::Written; }
};

// setting.ini: one INI section, "Moxel Settings.", read and written key by
// key. Each call is self-contained (the file is never held open).
class SettingsFile {
  public:
    explicit SettingsFile(std::filesystem::path file);

    const std::filesystem::path& path() const { return file_; }

    // The key's value (at most 127 bytes, never splitting a UTF-8 character),
    // or defaultValue when the file, the section or the key is missing. Key
    // names match without regard to letter case.
    std::string readString(std::string_view key, std::string_view defaultValue) const;

    // The key's value as a whole number (leading blanks, optional sign, leading
    // digits); 0 when missing or not a number.
    std::int32_t readInt(std::string_view key) const;

    // Sets the key, creating file, section or key as needed and keeping every
    // other line as it was. Atomic: the old file stays intact on failure.
    WriteOutcome writeString(std::string_view key, std::string_view value);

  private:
    std::filesystem::path file_;
};

// Where setting.ini lives: in the program's folder when that folder is
// writable or the file already exists there; otherwise in the user's
// configuration folder ($XDG_CONFIG_HOME/moxel, else $HOME/.config/moxel).
std::filesystem::path settingsFileLocation(const std::string& appPath,
                                           const std::string& xdgConfigHome,
                                           const std::string& home);

} // namespace moxel
