#include "app/presenter/UserProblems.h"

#include <cstdio>

#include "encoding/Utf8Path.h"

namespace moxel {

void UserProblems::settingsUnreadable(const std::filesystem::path& file,
                                      const std::string& reason) {
    // Also on the error output, at once, as the start's other problems.
    std::fprintf(stderr, "moxel: %s; using the defaults\n", reason.c_str());
    tell(Text::SettingsUnreadable, utf8FromPath(file) + "\r\n" + reason);
}

void UserProblems::settingNotSaved(const std::filesystem::path& file, const WriteOutcome& outcome) {
    tell(outcome.status == WriteOutcome::Status::Skipped ? Text::SettingNotStorable
                                                         : Text::SettingNotSaved,
         utf8FromPath(file) + "\r\n" + outcome.reason);
}

void UserProblems::settingsKeptBusy(const std::filesystem::path& file, const std::string& reason) {
    tell(Text::SettingNotSavedYet, utf8FromPath(file) + "\r\n" + reason);
}

void UserProblems::instanceUnchecked(const std::string& reason) {
    tell(Text::InstanceUnchecked, reason);
}

void UserProblems::started() {
    starting_ = false;
    // Each box waits for its answer; once the window is going, the rest,
    // already on the error output, are left unsaid.
    for (const auto& [first, details] : std::exchange(heldBack_, {})) {
        if (windowGone_) {
            break;
        }
        tell(first, details);
    }
}

void UserProblems::tell(Text first, const std::string& details) {
    if (starting_ && !windowGone_) {
        heldBack_.emplace_back(first, details);
        return;
    }
    if (windowGone_) {
        std::string line = details;
        for (std::size_t at = 0; (at = line.find("\r\n", at)) != std::string::npos;) {
            line.replace(at, 2, ": ");
        }
        std::fprintf(stderr, "moxel: %s %s\n", std::string(text(first)).c_str(), line.c_str());
        return;
    }
    view_.messageBox(std::string(text(first)) + "\r\n" + details, "Moxel",
                     MessageIcon::Information);
}

} // namespace moxel
