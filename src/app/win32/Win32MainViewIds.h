#pragma once

// Windows only: the numbers and names the main window's parts share.

#include <windows.h>

namespace moxel {

// Control n of the layout table has the id kFirstControlId + n.
inline constexpr int kFirstControlId = 100;

// The window's own messages.
inline constexpr UINT kRelayMessage = WM_APP + 2;   // the relay left news
inline constexpr UINT kListChosen = WM_APP + 3;     // wParam: the ListId the user chose in
inline constexpr UINT kDevicesMessage = WM_APP + 4; // devices came or went
inline constexpr UINT_PTR kLampTimer = 1;
inline constexpr UINT_PTR kServiceSearchTimer = 2;
inline constexpr UINT_PTR kSettingsRetryTimer = 3;

// Window properties of the controls whose keys and presses the window sees.
inline constexpr wchar_t kViewProperty[] = L"Moxel.View";
inline constexpr wchar_t kProcProperty[] = L"Moxel.Proc";

} // namespace moxel
