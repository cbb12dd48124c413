#include "app/platform/SingleInstance.h"

#include <windows.h>

#include "encoding/Utf16.h"

namespace moxel {

SingleInstance::SingleInstance(const std::string& lock) {
    mutex_ = CreateMutexW(nullptr, FALSE, wideFromUtf8(lock).c_str());
    // Without the mutex we cannot tell; running twice is better than not
    // running at all.
    acquired_ = mutex_ == nullptr || GetLastError() != ERROR_ALREADY_EXISTS;
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
