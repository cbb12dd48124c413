#include "app/presenter/ProblemTexts.h"

#include "app/window/Texts.h"
#include "encoding/Utf8Path.h"

namespace moxel {

namespace {

Problem withDetails(Text first, const std::string& details) {
    Problem problem;
    problem.text = std::string(text(first)) + "\r\n" + details;
    return problem;
}

} // namespace

Problem settingsUnreadable(const std::filesystem::path& file, const std::string& reason) {
    Problem problem = withDetails(Text::SettingsUnreadable, utf8FromPath(file) + "\r\n" + reason);
    problem.said = reason + "; using the defaults";
    return problem;
}

Problem settingNotSaved(const std::filesystem::path& file, const WriteOutcome& outcome) {
    return withDetails(outcome.status == WriteOutcome::Status::Skipped ? Text::SettingNotStorable
                                                                       : Text::SettingNotSaved,
                       utf8FromPath(file) + "\r\n" + outcome.reason);
}

Problem settingsKeptBusy(const std::filesystem::path& file, const std::string& reason) {
    return withDetails(Text::SettingNotSavedYet, utf8FromPath(file) + "\r\n" + reason);
}

Problem instanceUnchecked(const std::string& reason) {
    return withDetails(Text::InstanceUnchecked, reason);
}

Problem deviceInUse(const std::string& name, bool input) {
    return {name + "\r\n\r\n" + std::string(text(input ? Text::InUseIn : Text::InUseOut)) + "\r\n" +
                std::string(text(Text::InUseOther)),
            std::string(text(input ? Text::InUseTitleIn : Text::InUseTitleOut)), ""};
}

std::optional<Problem> serviceUnreachable(midi::ServiceProblem problem) {
    Text said{};
    switch (problem) {
    case midi::ServiceProblem::None:
        return std::nullopt;
    case midi::ServiceProblem::SequencerMissing:
        said = Text::SequencerMissing;
        break;
    case midi::ServiceProblem::SequencerNotPermitted:
        said = Text::SequencerNotPermitted;
        break;
    case midi::ServiceProblem::SequencerFailed:
        said = Text::SequencerFailed;
        break;
    }
    const std::string line(text(said));
    return Problem{line, "Moxel", line};
}

} // namespace moxel
