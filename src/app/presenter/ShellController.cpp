#include "app/presenter/ShellController.h"

#include <span>

#include "app/presenter/BuildConfig.h"
#include "app/presenter/Version.h"
#include "shell/ExternalPrograms.h"

namespace moxel {

namespace {

bool isAbsoluteAddress(const std::string& address) {
    return address.find("://") != std::string::npos || address.starts_with("/");
}

} // namespace

ShellController::ShellController(MainView& view, ShellServices& shell)
    : view_(view), shell_(shell) {}

// The folder that holds manual/: the program's own folder, else (an
// installed program) the installed data folder.
std::string ShellController::documentFolder() const {
    const std::string installed = appPath_ + build::dataFromProgram + "/";
    const std::string page = "manual/moxel.html";
    return !shell_.isRegularFile(appPath_ + page) && shell_.isRegularFile(installed + page)
               ? installed
               : appPath_;
}

void ShellController::openAddress(const std::string& address) {
    // A relative address names a page that ships with the program.
    shell_.openDocument(isAbsoluteAddress(address) ? address : documentFolder() + address);
}

void ShellController::showHelp() {
    const std::string path = documentFolder() + "manual/moxel.html";
    if (shell_.isRegularFile(path)) {
        shell_.openDocument(path);
        return;
    }
    view_.messageBox("moxel.htmlが見つかりませんでした。\r\nmoxel.htmは、" + appPath_ +
                         "manual/内に置いて下さい。",
                     "Moxel - ヘルプ読み込み失敗", MessageIcon::None);
}

void ShellController::showNews() {
    openAddress(build::urlNews);
}

void ShellController::showHomePage(std::int16_t index) {
    if (index == 0) {
        openAddress(build::urlAuthor);
    } else if (index == 1) {
        openAddress(build::urlIntro);
    }
}

void ShellController::startUtility(std::int16_t index) {
    if (index != 0 && index != 1) {
        return;
    }
    for (const Launch& launch : index == 0 ? volumeControls() : multimediaSettings()) {
        if (shell_.programExists(launch.program)) {
            shell_.startDetached(launch.program, launch.args); // a failure stays silent
            return;
        }
    }
}

void ShellController::showVersion() {
    view_.messageBox("SoftWare Version = " + versionText() +
                         "\r\nCopyright (C) 2026 The Moxel developers. All rights reserved.",
                     "", MessageIcon::None);
}

} // namespace moxel
