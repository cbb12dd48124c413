#pragma once

#include <cstdint>
#include <optional>
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

// Tells the repeats of a key held down from new presses. A toolkit flags a
// repeat where it can tell one; X11 sends a held key as pairs of a release
// and a press with one timestamp, and a toolkit that does not read the two
// together reports them as the key going up and down again. A press that has
// the key and the time of the last release repeats that key. Time 0 is no
// time (an event made by a program).
class KeyRepeats {
  public:
    void released(int key, std::uint64_t time);
    // A press: whether it repeats a key held down (flagged: the toolkit says so).
    bool repeats(int key, std::uint64_t time, bool flagged) const;

  private:
    int lastKey_ = 0;
    std::uint64_t lastTime_ = 0;
};

// The window's keys, turned into their handlers. A key held down steps the
// patch number at every repeat; the other commands run once per press. An
// Esc less than half a second after a menu, the open list of a drop-down
// list or a box closed does nothing: it is one press too many of the Esc
// that closed it, and would silence the output. Times are a millisecond
// counter's, which may wrap at 2^32.
class WindowKeys {
  public:
    static constexpr std::uint32_t kEscAfterClosingMs = 500;

    // A menu, the open list of a drop-down list or a box closed.
    void closed(std::uint32_t now);
    // Calls the key's handler (repeat: this press repeats the key held down).
    void press(MainWindowEvents& events, WindowKey key, bool repeat, std::uint32_t now);

  private:
    std::optional<std::uint32_t> closedAt_;
};

} // namespace moxel
