// Moxel for Windows: relays live MIDI from one input to one output.
#include <filesystem>
#include <string>

#include <windows.h>

#include <commctrl.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "app/platform/MillisecondClock.h"
#include "app/platform/SingleInstance.h"
#include "app/presenter/FrmMIDIMain.h"
#include "app/win32/Win32MainView.h"
#include "app/win32/Win32ShellServices.h"
#include "encoding/Utf16.h"
#include "encoding/Utf8Path.h"
#include "midi/backends/winmm/WinmmBackend.h"
#include "relay/RelayShared.h"
#include "settings/SettingsFile.h"

namespace {

// The folder that holds moxel.exe (UTF-8).
std::string programFolder() {
    std::wstring file(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, file.data(), static_cast<DWORD>(file.size()));
        if (length < file.size()) {
            file.resize(length);
            break;
        }
        file.resize(file.size() * 2); // a long path: ask again with room for it
    }
    return moxel::utf8FromPath(std::filesystem::path(file).parent_path());
}

// The user's roaming application data folder (%APPDATA%), UTF-8.
std::string appDataFolder() {
    PWSTR folder = nullptr;
    std::string text;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &folder))) {
        text = moxel::utf8FromWide(folder);
    }
    CoTaskMemFree(folder);
    return text;
}

} // namespace

// Main: a second start while Moxel runs ends at once and shows nothing.
// Windows' requests to end (closing from the taskbar, the task manager's
// "End task", logging off, shutting down) reach the window as WM_CLOSE or
// WM_ENDSESSION and take the close path, which closes the devices first.
int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    const moxel::SingleInstance instance(moxel::defaultInstanceLock());
    if (!instance.acquired()) {
        return 0;
    }
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    moxel::RelayShared relay;
    moxel::WinmmBackend backend(relay);
    moxel::Win32ShellServices shell;
    moxel::Win32MainView view;
    moxel::FrmMIDIMain window(view, backend, shell, relay, moxel::millisecondCounter,
                              {programFolder(), moxel::appDataSettingsFolder(appDataFolder())});
    view.setEvents(&window);

    view.show();
    view.processEvents();
    window.MainLoop();
    view.setEvents(nullptr);
    return 0;
}
