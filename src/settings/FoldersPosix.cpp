#include "settings/Folders.h"

#include <array>
#include <cerrno>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace moxel {

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

bool isWritableFolder(const std::filesystem::path& folder) {
    struct stat info {};
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           access(folder.c_str(), W_OK | X_OK) == 0;
}

bool isUsersOwnFolder(const std::filesystem::path& folder) {
    // Where installed programs live: packages, /usr/local, /opt, snaps,
    // Flatpak's /app and the stores of Nix and Guix.
    static constexpr std::array<std::string_view, 12> kSystemFolders = {
        "/usr",   "/opt",    "/bin",  "/sbin", "/lib",       "/lib32",
        "/lib64", "/libx32", "/snap", "/app",  "/nix/store", "/gnu/store"};
    std::error_code error;
    const std::string real = std::filesystem::canonical(folder, error).string();
    if (error) {
        return false;
    }
    for (const std::string_view system : kSystemFolders) {
        if (real.starts_with(system) &&
            (real.size() == system.size() || real[system.size()] == '/')) {
            return false;
        }
    }
    struct stat info {};
    return stat(real.c_str(), &info) == 0 && info.st_uid == geteuid();
}

} // namespace moxel
