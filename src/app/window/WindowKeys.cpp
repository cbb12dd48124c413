#include "app/window/WindowKeys.h"

namespace moxel {

std::string_view windowKeyName(WindowKey key) {
    switch (key) {
    case WindowKey::PatchUp:
        return "Num +";
    case WindowKey::PatchDown:
        return "Num -";
    case WindowKey::AllSoundOff:
        return "Esc";
    case WindowKey::PatchBox:
        return "F2";
    case WindowKey::Menu:
        return "Shift+F10";
    }
    return "";
}

void runWindowKey(MainWindowEvents& events, WindowKey key, bool autoRepeat) {
    switch (key) {
    case WindowKey::PatchUp:
        events.Form_KeyDown(vkAdd);
        return;
    case WindowKey::PatchDown:
        events.Form_KeyDown(vkSubtract);
        return;
    default:
        break;
    }
    if (autoRepeat) {
        return;
    }
    switch (key) {
    case WindowKey::AllSoundOff:
        events.MnuAllSoundOff_Click();
        break;
    case WindowKey::PatchBox:
        events.LblPatch_DblClick();
        break;
    case WindowKey::Menu:
        events.contextMenuFromKeyboard();
        break;
    default:
        break;
    }
}

} // namespace moxel
