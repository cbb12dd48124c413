#include "app/presenter/ShellController.h"

#include <filesystem>
#include <span>

#include "app/presenter/BuildConfig.h"
#include "app/presenter/Version.h"
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

// Any other address is a local page, perhaps with a section after "#": a
// relative one ships in the program's folder.
void ShellController::openAddress(const std::string& address) {
    if (isWebAddress(address)) {
        shell_.openDocument(address);
        return;
    }
    const std::size_t hash = address.find('#');
    const std::filesystem::path page =
        pathFromUtf8(appPath_) / pathFromUtf8(std::string_view(address).substr(0, hash));
    shell_.openDocument(
        fileUrl(page, hash == std::string::npos ? std::string() : address.substr(hash + 1)));
}

void ShellController::showHelp() {
    const std::filesystem::path manual = pathFromUtf8(appPath_) / "manual";
    const std::filesystem::path page = manual / "moxel.html";
    if (shell_.isRegularFile(utf8FromPath(page))) {
        shell_.openDocument(fileUrl(page));
        return;
    }
    // The folder with its trailing separator: ".../manual/" or "...\manual\".
    view_.messageBox("moxel.htmlが見つかりませんでした。\r\nmoxel.htmは、" +
                         utf8FromPath(manual / "") + "内に置いて下さい。",
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
