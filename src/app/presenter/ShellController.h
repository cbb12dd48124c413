#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

#include "app/window/MainView.h"
#include "shell/ShellServices.h"

namespace moxel {

// The menu commands that lead out of the program: the help page, the web
// pages, the desktop's sound utilities and the version box.
class ShellController {
  public:
    ShellController(MainView& view, ShellServices& shell);

    // The program's folder, with its trailing separator: the help page and
    // relative web addresses are found there (or, when they are not, in the
    // data folder of an installed program).
    void setProgramFolder(std::string appPath) { appPath_ = std::move(appPath); }

    void showHelp();
    void showNews();
    // 0: the author's home page, 1: the introduction page; else nothing.
    void showHomePage(std::int16_t index);
    // 0: the volume control, 1: the multimedia settings; else nothing.
    void startUtility(std::int16_t index);
    void showVersion();

  private:
    std::filesystem::path documentFolder() const;
    std::filesystem::path helpPage(const std::filesystem::path& folder) const;
    void openAddress(const std::string& address);

    MainView& view_;
    ShellServices& shell_;
    std::string appPath_;
};

} // namespace moxel
