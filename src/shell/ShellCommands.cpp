// Help, web pages, the system's sound utilities and the version box.
#include <array>

#include "BuildConfig.h"
#include "app/FrmMIDIMain.h"

namespace moxel {

namespace {

struct Launch {
    const char* program;
    std::vector<std::string> args;
};

// The volume control: a mixer of its own, else ALSA's mixer in a terminal.
const std::array<Launch, 4> kVolumeControls = {{
    {"pavucontrol", {}},
    {"pavucontrol-qt", {}},
    {"x-terminal-emulator", {"-e", "alsamixer"}},
    {"xterm", {"-e", "alsamixer"}},
}};

// The multimedia settings: the JACK / PipeWire control programs.
const std::array<Launch, 4> kMultimediaSettings = {{
    {"qjackctl", {}},
    {"qpwgraph", {}},
    {"helvum", {}},
    {"cadence", {}},
}};

bool isAbsoluteAddress(const std::string& address) {
    return address.find("://") != std::string::npos || address.starts_with("/");
}

} // namespace

void FrmMIDIMain::openAddress(const std::string& address) {
    // A relative address names a page that ships with the program.
    shell_.openDocument(isAbsoluteAddress(address) ? address : strAppPath_ + address);
}

void FrmMIDIMain::MnuShowHelp_Click() {
    const std::string path = strAppPath_ + "manual/moxel.html";
    if (shell_.isRegularFile(path)) {
        shell_.openDocument(path);
        return;
    }
    view_.messageBox("moxel.htmlが見つかりませんでした。\r\nmoxel.htmは、" + strAppPath_ +
                         "manual/内に置いて下さい。",
                     "Moxel - ヘルプ読み込み失敗", MessageIcon::None);
}

void FrmMIDIMain::MnuShowWeb_Click() {
    openAddress(build::urlNews);
}

void FrmMIDIMain::MnuHSNet_Click(std::int16_t index) {
    if (index == 0) {
        openAddress(build::urlAuthor);
    } else if (index == 1) {
        openAddress(build::urlIntro);
    }
}

void FrmMIDIMain::MnuShowOption_Click(std::int16_t index) {
    if (index != 0 && index != 1) {
        return;
    }
    const auto& candidates = index == 0 ? kVolumeControls : kMultimediaSettings;
    for (const Launch& launch : candidates) {
        if (shell_.programExists(launch.program)) {
            shell_.startDetached(launch.program, launch.args); // a failure stays silent
            return;
        }
    }
}

void FrmMIDIMain::MnuVersionInfo_Click() {
    view_.messageBox("SoftWare Version = " + versionText() +
                         "\r\nCopyright (C) 2026 The Moxel developers. All rights reserved.",
                     "", MessageIcon::None);
}

} // namespace moxel
