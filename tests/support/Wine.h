#pragma once

#ifdef _WIN32
#include <windows.h>

namespace moxel::test {

// True when this Windows program runs under Wine rather than on Windows.
inline bool runningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace moxel::test
#endif
