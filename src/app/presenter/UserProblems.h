#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/window/MainView.h"
#include "app/window/Texts.h"
#include "settings/WriteOutcome.h"

namespace moxel {

// The problems the user must hear of that no command of theirs answers: a
// settings file that cannot be read or written, and a start that could not
// tell whether Moxel already runs. Each is told in a box over the window, in
// the user's language, followed by the file and the reason. What is found
// while the window starts is told once it has started (started()): a box must
// not hold up the opening of the devices. Once the window is going
// (windowGone()), a box could hold up the ending: the error output takes its
// place.
class UserProblems {
  public:
    explicit UserProblems(MainView& view) : view_(view) {}

    // The file is there but cannot be read: its keys read their defaults.
    void settingsUnreadable(const std::filesystem::path& file, const std::string& reason);
    // A change could not be saved (or cannot be stored at all).
    void settingNotSaved(const std::filesystem::path& file, const WriteOutcome& outcome);
    // Another program keeps the file: changes wait for it.
    void settingsKeptBusy(const std::filesystem::path& file, const std::string& reason);
    // Moxel may be running twice.
    void instanceUnchecked(const std::string& reason);

    void started();
    void windowGone() { windowGone_ = true; }

  private:
    void tell(Text first, const std::string& details);

    MainView& view_;
    bool starting_ = true;
    std::vector<std::pair<Text, std::string>> heldBack_; // told once started
    bool windowGone_ = false;
};

} // namespace moxel
