#include "app/presenter/ShellController.h"

#include <filesystem>
#include <span>

#include "app/presenter/BuildConfig.h"
#include "app/presenter/Version.h"
#include "app/window/Texts.h"
#include "encoding/Utf8Path.h"
#include "shell/ExternalPrograms.h"
#include "shell/FileUrl.h"

namespace moxel {

namespace {

bool isWebAddress(const std::string& address) {
    return address.find("://") != std::string::npos;
}

} // namespace

ShellController::ShellController(MainView& view, ShellServices& shell)
    : view_(view), shell_(shell) {}

// The folder that holds manual/: the program's own folder, else (an
// installed program) the installed data folder.
std::filesystem::path ShellController::documentFolder() const {
    const std::filesystem::path own = pathFromUtf8(appPath_);
    const std::filesystem::path installed = own / pathFromUtf8(build::dataFromProgram);
    const std::filesystem::path page = std::filesystem::path("manual") / "moxel.html";
    return !shell_.isRegularFile(utf8FromPath(own / page)) &&
                   shell_.isRegularFile(utf8FromPath(installed / page))
               ? installed
               : own;
}

// The help page in the window's language when it ships, else the Japanese.
std::filesystem::path ShellController::helpPage(const std::filesystem::path& folder) const {
    const std::filesystem::path page = folder / "manual" / pathFromUtf8(text(Text::HelpPage));
    return shell_.isRegularFile(utf8FromPath(page)) ? page : folder / "manual" / "moxel.html";
}

// Any other address is a local page, perhaps with a section after "#": a
// relative one ships with the program, the help page in the window's language.
void ShellController::openAddress(const std::string& address) {
    if (isWebAddress(address)) {
        shell_.openDocument(address);
        return;
    }
    const std::size_t hash = address.find('#');
    const std::string section = hash == std::string::npos ? "" : address.substr(hash + 1);
    const std::filesystem::path path = pathFromUtf8(std::string_view(address).substr(0, hash));
    if (path.is_absolute() || address.starts_with("/")) {
        shell_.openDocument(fileUrl(path, section));
        return;
    }
    const std::filesystem::path folder = documentFolder();
    shell_.openDocument(fileUrl(
        address.starts_with("manual/moxel.html") ? helpPage(folder) : folder / path, section));
}

void ShellController::showHelp() {
    const std::filesystem::path page = helpPage(documentFolder());
    if (shell_.isRegularFile(utf8FromPath(page))) {
        shell_.openDocument(fileUrl(page));
        return;
    }
    // The folder with its trailing separator: ".../manual/" or "...\\manual\\".
    view_.messageBox(text(Text::HelpMissing, utf8FromPath(pathFromUtf8(appPath_) / "manual" / "")),
                     std::string(text(Text::HelpMissingTitle)), MessageIcon::None);
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
