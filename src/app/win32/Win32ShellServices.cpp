#include "app/win32/Win32ShellServices.h"

#include <windows.h>

#include <shellapi.h>

#include "encoding/Utf16.h"

namespace moxel {

namespace {

// One argument of a command line, quoted where it holds a blank.
std::wstring quoted(const std::string& argument) {
    std::wstring wide = wideFromUtf8(argument);
    if (!wide.empty() && wide.find_first_of(L" \t\"") == std::wstring::npos) {
        return wide;
    }
    return L"\"" + wide + L"\"";
}

} // namespace

// Returns at once; the desktop window owns whatever the shell shows.
bool Win32ShellServices::openDocument(const std::string& pathOrUrl) {
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
        GetDesktopWindow(), L"open", wideFromUtf8(pathOrUrl).c_str(), nullptr, L"", SW_SHOW));
    return result > 32;
}

bool Win32ShellServices::startDetached(const std::string& program,
                                       const std::vector<std::string>& args) {
    std::wstring commandLine = quoted(program);
    for (const std::string& argument : args) {
        commandLine += L" " + quoted(argument);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS,
                       nullptr, nullptr, &startup, &process) == 0) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool Win32ShellServices::programExists(const std::string& program) const {
    wchar_t found[MAX_PATH];
    return SearchPathW(nullptr, wideFromUtf8(program).c_str(), nullptr, MAX_PATH, found, nullptr) >
           0;
}

bool Win32ShellServices::isRegularFile(const std::string& path) const {
    const DWORD attributes = GetFileAttributesW(wideFromUtf8(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes &
            (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

} // namespace moxel
