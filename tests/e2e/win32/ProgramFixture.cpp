#include "ProgramFixture.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/win32/Win32MainViewIds.h"
#include "app/window/WindowLayout.h"
#include "encoding/Utf16.h"
#include "support/PumpUntil.h"
#include "winmm_standin/StandInProtocol.h"

namespace moxel::test {

namespace {

constexpr auto kDeadline = std::chrono::seconds(20);

// Wine loads the winmm.dll beside moxel.exe instead of its own for that
// program alone (its per-program DLL overrides in the registry).
void preferTheStandIn() {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\moxel.exe\\DllOverrides", 0,
                    nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    const std::wstring order = L"native,builtin";
    RegSetValueExW(key, L"winmm", 0, REG_SZ, reinterpret_cast<const BYTE*>(order.c_str()),
                   static_cast<DWORD>((order.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

} // namespace

ProgramUnderWine::ProgramUnderWine() {
    preferTheStandIn();
    const std::filesystem::path build = MOXEL_WINDOWS_BUILD_DIR;
    std::filesystem::copy_file(build / "moxel.exe", folder / "moxel.exe");
    std::filesystem::copy_file(build / "tools" / "winmm_standin" / "winmm.dll",
                               folder / "winmm.dll");
}

ProgramUnderWine::~ProgramUnderWine() {
    for (HANDLE process : processes_) {
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
        }
        CloseHandle(process);
    }
}

void ProgramUnderWine::script(const std::vector<std::string>& devices,
                              const std::string& settings) {
    std::string text;
    for (const std::string& line : devices) {
        text += line + "\n";
    }
    writeFileBytes(folder / "devices.txt", text);
    if (!settings.empty()) {
        writeFileBytes(folder / "setting.ini", "[Moxel Settings.]\r\n" + settings);
    }
}

HANDLE ProgramUnderWine::start(const std::wstring& arguments, HANDLE output) {
    SetEnvironmentVariableW(standin::kFolderVariable, folder.path().c_str());
    std::wstring commandLine = L"\"" + (folder / "moxel.exe").wstring() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (output != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = output;
    }
    PROCESS_INFORMATION process{};
    EXPECT_NE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, output != nullptr, 0,
                             nullptr, folder.path().c_str(), &startup, &process),
              0);
    CloseHandle(process.hThread);
    processes_.push_back(process.hProcess);
    return process.hProcess;
}

// What the program writes fits into the pipe; it is read once the program
// has ended (a helper process Wine starts may hold the pipe open longer).
std::pair<DWORD, std::string> ProgramUnderWine::run(const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE reader = nullptr, writer = nullptr;
    CreatePipe(&reader, &writer, &inherit, 1 << 16);
    SetHandleInformation(reader, HANDLE_FLAG_INHERIT, 0);
    const HANDLE process = start(arguments, writer);
    CloseHandle(writer);
    pumpUntil([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, kDeadline);
    std::string text;
    char buffer[512];
    DWORD waiting = 0, got = 0;
    while (PeekNamedPipe(reader, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0 &&
           ReadFile(reader, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    CloseHandle(reader);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return {code, text};
}

HWND ProgramUnderWine::mainWindow(HANDLE process) {
    struct Search {
        DWORD process;
        HWND found;
    } search{GetProcessId(process), nullptr};
    pumpUntil(
        [&] {
            EnumWindows(
                [](HWND window, LPARAM data) -> BOOL {
                    auto* wanted = reinterpret_cast<Search*>(data);
                    DWORD owner = 0;
                    GetWindowThreadProcessId(window, &owner);
                    wchar_t name[64] = {};
                    GetClassNameW(window, name, 64);
                    if (owner == wanted->process && lstrcmpW(name, L"MoxelMainWindow") == 0) {
                        wanted->found = window;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        kDeadline);
    return search.found;
}

HWND ProgramUnderWine::control(HWND window, const std::string& name) const {
    const auto entries = windowControls();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].name == name) {
            return GetDlgItem(window, kFirstControlId + static_cast<int>(i));
        }
    }
    return nullptr;
}

std::vector<std::string> ProgramUnderWine::items(HWND list) {
    std::vector<std::string> texts;
    const auto count = SendMessageW(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        texts.push_back(utf8FromWide(text));
    }
    return texts;
}

int ProgramUnderWine::selected(HWND list) {
    return static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
}

std::vector<std::string> ProgramUnderWine::recordOnce(const std::string& text) {
    std::vector<std::string> lines;
    pumpUntil(
        [&] {
            lines.clear();
            std::ifstream record(folder / "record.txt");
            for (std::string line; std::getline(record, line);) {
                lines.push_back(line.substr(line.find(' ') + 1));
            }
            return std::ranges::find_if(lines, [&](const std::string& line) {
                       return line.find(text) != std::string::npos;
                   }) != lines.end();
        },
        kDeadline);
    return lines;
}

std::vector<std::string> ProgramUnderWine::recordAfter(const std::string& mark,
                                                       const std::string& text) {
    std::vector<std::string> after;
    pumpUntil(
        [&] {
            const std::vector<std::string> lines = recordOnce(mark);
            const auto holds = [](const std::string& what) {
                return [&what](const std::string& line) {
                    return line.find(what) != std::string::npos;
                };
            };
            after.assign(std::ranges::find_if(lines, holds(mark)), lines.end());
            return after.size() > 1 &&
                   std::ranges::any_of(after.begin() + 1, after.end(), holds(text));
        },
        kDeadline);
    return after;
}

void ProgramUnderWine::inject(DWORD message) {
    HWND driver = nullptr;
    pumpUntil([&] {
        return (driver = FindWindowExW(HWND_MESSAGE, nullptr, standin::kDriverClass, nullptr)) !=
               nullptr;
    });
    COPYDATASTRUCT data{standin::kInjectShort, sizeof message, &message};
    SendMessageW(driver, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

void ProgramUnderWine::plug(const std::string& device, bool plugged) {
    const HWND driver = FindWindowExW(HWND_MESSAGE, nullptr, standin::kDriverClass, nullptr);
    ASSERT_NE(driver, nullptr);
    COPYDATASTRUCT data{plugged ? standin::kPlug : standin::kUnplug,
                        static_cast<DWORD>(device.size()), const_cast<char*>(device.data())};
    ASSERT_EQ(SendMessageW(driver, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), TRUE)
        << device;
}

DWORD ProgramUnderWine::close(HWND window, HANDLE process) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    pumpUntil([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, kDeadline);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

std::string windowText(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return utf8FromWide(text);
}

} // namespace moxel::test
