#pragma once

// Windows only: how a test talks to the stand-in winmm.dll (see
// WinmmStandIn.cpp) that runs inside moxel.exe under Wine.

#include <windows.h>

namespace moxel::standin {

// The folder with the script "devices.txt" and the record "record.txt".
inline constexpr wchar_t kFolderVariable[] = L"MOXEL_WINMM_STANDIN";

// The stand-in's driver: a message-only window of this class, found with
// FindWindowExW(HWND_MESSAGE, nullptr, kDriverClass, nullptr). WM_COPYDATA
// with one of these kinds plays a message into the open input.
inline constexpr wchar_t kDriverClass[] = L"MoxelWinmmStandIn";
inline constexpr ULONG_PTR kInjectShort = 1; // 4 bytes: the packed short message
inline constexpr ULONG_PTR kInjectSysex = 2; // the SysEx bytes
// "in" or "out", a tab and a device's name (UTF-8): the device is unplugged
// (it leaves the list, and its open handle goes dead) or plugged in again (at
// the end of the list); either way the system's device-change message goes
// to every top-level window, as on Windows.
inline constexpr ULONG_PTR kUnplug = 3;
inline constexpr ULONG_PTR kPlug = 4;

} // namespace moxel::standin
