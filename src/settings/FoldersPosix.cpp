#include "settings/Folders.h"

#include <cerrno>
#include <string>
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

} // namespace moxel
