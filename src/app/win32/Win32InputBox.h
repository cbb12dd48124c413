#pragma once

// Windows only.

#include <optional>
#include <string>

#include <windows.h>

namespace moxel {

// A modal box with a prompt, a one-line text field and OK and Cancel, made
// from a dialog template in memory. Returns the text (UTF-8), or nothing
// when cancelled. face: the font the box is written in.
std::optional<std::string> win32InputBox(HWND owner, const std::string& prompt,
                                         const std::string& title, const std::wstring& face);

} // namespace moxel
