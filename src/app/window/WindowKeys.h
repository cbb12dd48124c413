#pragma once

#include <string_view>

#include "app/window/MainWindowEvents.h"

namespace moxel {

// The window's keyboard commands. They work whichever of the window's
// controls has the focus, and never in the boxes and the menu the window
// opens: the keys typed there are theirs. Each view knows the keys by its
// toolkit's codes.
//
//   key                  command       handler
//   keypad + and -       PatchUp/Down  Form_KeyDown(vkAdd / vkSubtract); also in an open
//                                      drop-down list, and the focused control gets the
//                                      key as well
//   Esc                  AllSoundOff   MnuAllSoundOff_Click; an open drop-down list takes
//                                      Esc first (it closes)
//   F2                   PatchBox      LblPatch_DblClick
//   Shift+F10, Menu key  Menu          contextMenuFromKeyboard
//
// Esc is the one key a player finds blind, at the keyboard's corner, when
// notes hang; the window has nothing else to cancel. F2 is the desktop's key
// for editing the thing at hand. Space and Enter on the focused Beat button
// tap it at the key press: CmdTempoBeat_MouseDown(MouseButton::Left), once
// per press.
enum class WindowKey { PatchUp, PatchDown, AllSoundOff, PatchBox, Menu };

// The key's name as the window shows it ("Esc" beside the menu item).
std::string_view windowKeyName(WindowKey key);

// Calls the key's handler. A key held down steps the patch number at every
// repeat; the other commands run once per press (autoRepeat: this press is
// a repeat).
void runWindowKey(MainWindowEvents& events, WindowKey key, bool autoRepeat);

} // namespace moxel
