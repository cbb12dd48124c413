#include "winmm_standin/StandInState.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <dbt.h>

#include "encoding/Utf16.h"
#include "winmm_standin/StandInDriver.h"
#include "winmm_standin/StandInProtocol.h"

namespace moxel::standin {

namespace {

std::wstring folderFromEnvironment() {
    wchar_t folder[MAX_PATH] = {};
    GetEnvironmentVariableW(kFolderVariable, folder, MAX_PATH);
    return folder;
}

// devices.txt: one device a line, "in" or "out", a tab, the name (UTF-8),
// and optionally a tab and "allocated" or "loop".
void readScript(const std::wstring& folder, std::vector<Device>& inputs,
                std::vector<Device>& outputs) {
    std::ifstream script(std::filesystem::path(folder) / L"devices.txt", std::ios::binary);
    std::string line;
    while (std::getline(script, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::istringstream fields(line);
        std::string direction, name, flag;
        std::getline(fields, direction, '\t');
        std::getline(fields, name, '\t');
        std::getline(fields, flag, '\t');
        const Device device{name, flag == "allocated", flag == "loop"};
        (direction == "in" ? inputs : outputs).push_back(device);
    }
}

} // namespace

State& State::instance() {
    static State state;
    return state;
}

State::State() : folder_(folderFromEnvironment()) {
    readScript(folder_, inputs, outputs);
}

bool State::plug(bool in, const std::string& name, bool plugged) {
    {
        const std::lock_guard lock(mutex);
        std::vector<Device>& from =
            in ? (plugged ? unpluggedInputs : inputs) : (plugged ? unpluggedOutputs : outputs);
        std::vector<Device>& to =
            in ? (plugged ? inputs : unpluggedInputs) : (plugged ? outputs : unpluggedOutputs);
        const auto device =
            std::find_if(from.begin(), from.end(), [&](const Device& d) { return d.name == name; });
        if (device == from.end()) {
            return false;
        }
        to.push_back(*device);
        from.erase(device);
        if (!plugged && in && input.callback != 0 && input.name == name) {
            input.gone = true;
        }
        if (!plugged && !in && outputOpen && openOutput.name == name) {
            openOutputGone = true;
        }
    }
    record(std::string(plugged ? "plug " : "unplug ") + (in ? "in " : "out ") + name);
    PostMessageW(HWND_BROADCAST, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    return true;
}

void State::record(const std::string& what) {
    LARGE_INTEGER now{}, frequency{};
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    const long long micros = now.QuadPart / frequency.QuadPart * 1000000 +
                             now.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
    const std::lock_guard lock(recordMutex_);
    std::ofstream out(std::filesystem::path(folder_) / L"record.txt",
                      std::ios::binary | std::ios::app);
    out << micros << ' ' << what << '\n';
}

HWND State::driver() {
    const std::lock_guard lock(mutex);
    if (driver_ == nullptr) {
        driver_ = startDriverThread();
    }
    return driver_;
}

void State::deliver(UINT message, DWORD_PTR param) {
    Input open;
    {
        const std::lock_guard lock(mutex);
        open = input;
    }
    if (open.callback != 0 && !open.gone && (open.started || message != MIM_DATA)) {
        reinterpret_cast<DRVCALLBACK*>(open.callback)(reinterpret_cast<HDRVR>(open.handle), message,
                                                      open.instance, param, 0);
    }
}

} // namespace moxel::standin
