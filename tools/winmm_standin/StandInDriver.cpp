#include "winmm_standin/StandInDriver.h"

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "winmm_standin/StandInProtocol.h"
#include "winmm_standin/StandInState.h"

namespace moxel::standin {

namespace {

std::string hexBytes(const std::uint8_t* bytes, std::size_t size) {
    std::string text;
    char part[4];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(part, sizeof part, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += part;
    }
    return text;
}

void playShort(DWORD message) {
    char text[32];
    std::snprintf(text, sizeof text, "inject %06X", static_cast<unsigned>(message));
    State::instance().record(text);
    State::instance().deliver(MIM_DATA, message);
}

void playSysex(const std::uint8_t* bytes, std::size_t size) {
    State& state = State::instance();
    MIDIHDR* header = nullptr;
    {
        const std::lock_guard lock(state.mutex);
        if (!state.buffers.empty() && state.input.started) {
            header = state.buffers.front();
            state.buffers.pop_front();
        }
    }
    if (header == nullptr || size > header->dwBufferLength) {
        state.record("inject sysex lost");
        return;
    }
    std::memcpy(header->lpData, bytes, size);
    header->dwBytesRecorded = static_cast<DWORD>(size);
    header->dwFlags |= MHDR_DONE;
    state.record("inject " + hexBytes(bytes, size));
    state.deliver(MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(header));
}

void returnBuffers() {
    State& state = State::instance();
    for (;;) {
        MIDIHDR* header = nullptr;
        {
            const std::lock_guard lock(state.mutex);
            if (state.buffers.empty()) {
                return;
            }
            header = state.buffers.front();
            state.buffers.pop_front();
        }
        header->dwBytesRecorded = 0;
        header->dwFlags |= MHDR_DONE;
        state.deliver(MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(header));
    }
}

LRESULT CALLBACK driverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COPYDATA: {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        const auto* bytes = static_cast<const std::uint8_t*>(data->lpData);
        if (data->dwData == kInjectShort && data->cbData == sizeof(DWORD)) {
            DWORD packed = 0;
            std::memcpy(&packed, bytes, sizeof packed);
            playShort(packed);
        } else if (data->dwData == kInjectSysex) {
            playSysex(bytes, data->cbData);
        } else if (data->dwData == kUnplug || data->dwData == kPlug) {
            const std::string text(reinterpret_cast<const char*>(bytes), data->cbData);
            const std::size_t tab = text.find('\t');
            return static_cast<LRESULT>(State::instance().plug(
                text.substr(0, tab) == "in", text.substr(tab + 1), data->dwData == kPlug));
        }
        return TRUE;
    }
    case kLoopShort:
        playShort(static_cast<DWORD>(wParam));
        return 0;
    case kReturnBuffers:
        returnBuffers();
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

HWND startDriverThread() {
    std::mutex mutex;
    std::condition_variable ready;
    HWND window = nullptr;
    bool started = false;
    std::thread([&] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = driverProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kDriverClass;
        RegisterClassExW(&windowClass);
        const HWND made = CreateWindowExW(0, kDriverClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                          nullptr, GetModuleHandleW(nullptr), nullptr);
        {
            const std::lock_guard lock(mutex);
            window = made;
            started = true;
        }
        ready.notify_one();
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            DispatchMessageW(&message);
        }
    }).detach();
    std::unique_lock lock(mutex);
    ready.wait(lock, [&] { return started; });
    return window;
}

} // namespace moxel::standin
