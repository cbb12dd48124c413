#include "app/presenter/ShellController.h"

#include <span>

#include "app/presenter/BuildConfig.h"
#include "app/presenter/Version.h"
#include "app/window/Texts.h"
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

// The help page in the window's language when it ships, else the Japanese.
std::string ShellController::helpPage(const std::string& folder) const {
    const std::string page = folder + "manual/" + std::string(text(Text::HelpPage));
    return shell_.isRegularFile(page) ? page : folder + "manual/moxel.html";
}

void ShellController::openAddress(const std::string& address) {
    if (isAbsoluteAddress(address)) {
        shell_.openDocument(address);
        return;
    }
    // A relative address names a section of the help page that ships with
    // the program: in the window's language.
    const std::string folder = documentFolder();
    const std::size_t hash = address.find('#');
    const std::string section = hash == std::string::npos ? "" : address.substr(hash);
    shell_.openDocument(address.starts_with("manual/moxel.html") ? helpPage(folder) + section
                                                                 : folder + address);
}

void ShellController::showHelp() {
    const std::string path = helpPage(documentFolder());
    if (shell_.isRegularFile(path)) {
        shell_.openDocument(path);
        return;
    }
    view_.messageBox(text(Text::HelpMissing, appPath_), std::string(text(Text::HelpMissingTitle)),
                     MessageIcon::None);
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
    view_.messageBox("SoftWare Version = " + versionText() + "\r\n" +
                         std::string(text(Text::RightsNotice)),
                     "", MessageIcon::None);
}

} // namespace moxel
