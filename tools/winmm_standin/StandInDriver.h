#pragma once

// Windows only.

#include <windows.h>

namespace moxel::standin {

// The stand-in's driver thread with its message-only window: it plays what
// a test sends (StandInProtocol.h) and what a loop output is sent into the
// open input, and hands the input's buffers back on a reset, each by calling
// the input's callback from this thread, as a driver does.
HWND startDriverThread();

// Messages the stand-in itself sends to its driver window.
inline constexpr UINT kLoopShort = WM_APP + 1;     // wParam: the packed message
inline constexpr UINT kReturnBuffers = WM_APP + 2; // sent: returns when done

} // namespace moxel::standin
