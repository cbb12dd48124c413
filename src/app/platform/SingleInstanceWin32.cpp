#include "app/platform/SingleInstance.h"

#include <windows.h>

#include "encoding/Utf16.h"

namespace moxel {

SingleInstance::SingleInstance(const std::string& lock) {
    mutex_ = CreateMutexW(nullptr, FALSE, wideFromUtf8(lock).c_str());
    const DWORD error = GetLastError();
    if (mutex_ == nullptr) {
        problem_ = "cannot make the mutex " + lock + " (error " + std::to_string(error) + ")";
    }
    acquired_ = mutex_ == nullptr || error != ERROR_ALREADY_EXISTS;
}

SingleInstance::~SingleInstance() {
    if (mutex_ != nullptr) {
        CloseHandle(mutex_);
    }
}

std::string defaultInstanceLock() {
    return "Local\\Moxel.SingleInstance";
}

} // namespace moxel
