// Moxel for Windows: relays live MIDI from one input to one output.
#include <filesystem>
#include <string>
#include <vector>

#include <windows.h>

#include <commctrl.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "app/platform/CommandLine.h"
#include "app/platform/MillisecondClock.h"
#include "app/platform/SingleInstance.h"
#include "app/presenter/FrmMIDIMain.h"
#include "app/presenter/ProblemBoxes.h"
#include "app/win32/Win32MainView.h"
#include "app/win32/Win32ShellServices.h"
#include "app/window/Texts.h"
#include "encoding/Utf16.h"
#include "encoding/Utf8Path.h"
#include "midi/ProgramMidi.h"
#include "midi/systems/BuiltInMidiSystems.h"
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

// The program's arguments, UTF-8.
moxel::CommandLine commandLine() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    args.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        args.push_back(moxel::utf8FromWide(wide[i]));
    }
    LocalFree(wide);
    std::vector<const char*> argv;
    argv.reserve(args.size());
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    // One MIDI system: nothing for --midi to choose.
    return moxel::readCommandLine(count, argv.data());
}

// What --help, --version or a refusal says: on the standard stream the
// program was given (a console it was started from, a pipe, a file), else
// in a box, since a Windows program started from the desktop has no console.
void tell(const std::string& text, bool refused) {
    const DWORD stream = refused ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
    HANDLE handle = GetStdHandle(stream);
    if ((handle == nullptr || handle == INVALID_HANDLE_VALUE) &&
        AttachConsole(ATTACH_PARENT_PROCESS)) {
        handle = GetStdHandle(stream);
    }
    DWORD mode = 0;
    DWORD written = 0;
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
        const std::wstring wide = moxel::wideFromUtf8(text);
        if (GetConsoleMode(handle, &mode) != 0
                ? WriteConsoleW(handle, wide.c_str(), static_cast<DWORD>(wide.size()), &written,
                                nullptr) != 0
                : WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written,
                            nullptr) != 0) {
            return;
        }
    }
    MessageBoxW(nullptr, moxel::wideFromUtf8(text).c_str(), L"Moxel",
                refused ? MB_ICONERROR : MB_ICONINFORMATION);
}

moxel::Language chosenLanguage(const std::string& option) {
    if (!option.empty()) {
        return option == "ja" ? moxel::Language::Japanese : moxel::Language::English;
    }
    return moxel::languageOfWindowsLanguageId(GetUserDefaultUILanguage());
}

// The running Moxel's window, asked to show itself (out of the notification
// area, in front). It may take the foreground: this process has it, as the
// one the user just started.
void askRunningWindowToShow() {
    const HWND running = FindWindowW(moxel::Win32MainView::kWindowClass, nullptr);
    if (running == nullptr) {
        return;
    }
    DWORD process = 0;
    GetWindowThreadProcessId(running, &process);
    AllowSetForegroundWindow(process);
    PostMessageW(running, moxel::Win32MainView::showRequestMessage(), 0, 0);
}

// How long --panic and --program wait for the running window to carry them
// out: longer than a wait for the relay may take (RelayBackend::waitLimit).
constexpr ULONGLONG kCarryOutLimitMs = 3000;
// How often they look again for a window that is not made yet.
constexpr DWORD kRetryMs = 20;

// --panic, --program: the running window carries the request out. The exit
// status: 0 once it did, 3 (said) when no Moxel runs, or it does not answer
// or take the request.
int askRunningWindowFor(const moxel::InstanceRequest& request) {
    const std::string line = moxel::requestLine(request);
    COPYDATASTRUCT data{moxel::Win32MainView::kRequestTag, static_cast<DWORD>(line.size()),
                        const_cast<char*>(line.data())};
    const ULONGLONG deadline = GetTickCount64() + kCarryOutLimitMs;
    const std::wstring lock = moxel::wideFromUtf8(moxel::defaultInstanceLock());
    for (;;) {
        const HWND running = FindWindowW(moxel::Win32MainView::kWindowClass, nullptr);
        const ULONGLONG now = GetTickCount64();
        if (running != nullptr) {
            DWORD_PTR taken = 0;
            if (SendMessageTimeoutW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                    SMTO_ABORTIFHUNG | SMTO_BLOCK,
                                    static_cast<UINT>(deadline > now ? deadline - now : 1),
                                    &taken) == 0) {
                break;
            }
            if (taken == 1) {
                return 0;
            }
            tell("moxel: the running Moxel did not take the command (an earlier Moxel takes "
                 "none); end it, then start Moxel again\n",
                 true);
            return 3;
        }
        // Without the window, a Moxel that holds the mutex is still making it.
        const HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, lock.c_str());
        if (mutex == nullptr) {
            tell("moxel: Moxel is not running; start it first\n", true);
            return 3;
        }
        CloseHandle(mutex);
        if (now + kRetryMs >= deadline) {
            break;
        }
        Sleep(kRetryMs);
    }
    tell("moxel: Moxel is running but does not answer (it may be stopped or hung)\n", true);
    return 3;
}

} // namespace

// Main: a second start while Moxel runs shows the running window and ends;
// --panic and --program go to the running window.
// Windows' requests to end (closing from the taskbar, the task manager's
// "End task", logging off, shutting down) reach the window as WM_CLOSE or
// WM_ENDSESSION and take the close path, which closes the devices first.
int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    const moxel::CommandLine line = commandLine();
    if (line.action == moxel::CommandLine::Action::Request) {
        return askRunningWindowFor(line.request);
    }
    if (line.action != moxel::CommandLine::Action::Run) {
        const bool refused = line.action == moxel::CommandLine::Action::Refuse;
        tell(line.text, refused);
        return refused ? 2 : 0;
    }
    moxel::setLanguage(chosenLanguage(line.language));
    const moxel::SingleInstance instance(moxel::defaultInstanceLock());
    if (!instance.acquired()) {
        askRunningWindowToShow();
        return 0;
    }
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    moxel::RelayShared relay;
    // Made at its first use, on this thread (its device watch is a window).
    moxel::midi::ProgramMidi midi(moxel::midi::builtInMidiSystems(), nullptr, relay);
    moxel::Win32ShellServices shell;
    moxel::Win32MainView view;
    moxel::ProblemBoxes problems(view);
    moxel::FrmMIDIMain window(view, view, view, problems, midi.backend(), shell, relay,
                              moxel::millisecondCounter,
                              {programFolder(),
                               moxel::appDataSettingsFolder(appDataFolder()),
                               "", // the session's mutex always tells
                               {line.input, line.output, line.channel, line.follow, false}},
                              &midi.backend());
    view.setEvents(&window);
    view.setRequestHandler([&window](const moxel::InstanceRequest& r) { window.carryOut(r); });

    view.show();
    view.processEvents();
    window.MainLoop();
    view.setEvents(nullptr);
    return 0;
}
