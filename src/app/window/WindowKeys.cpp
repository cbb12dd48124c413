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

void KeyRepeats::released(int key, std::uint64_t time) {
    lastKey_ = key;
    lastTime_ = time;
}

bool KeyRepeats::repeats(int key, std::uint64_t time, bool flagged) const {
    return flagged || (time != 0 && time == lastTime_ && key == lastKey_);
}

void WindowKeys::closed(std::uint32_t now) {
    closedAt_ = now;
}

void WindowKeys::press(MainWindowEvents& events, WindowKey key, bool repeat, std::uint32_t now) {
    // Wrap-around arithmetic. A closing half a second ago or more is
    // forgotten at the next key, so the counter cannot come round to it.
    if (closedAt_ && now - *closedAt_ >= kEscAfterClosingMs) {
        closedAt_.reset();
    }
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
    if (repeat) {
        return;
    }
    switch (key) {
    case WindowKey::AllSoundOff:
        if (!closedAt_) {
            events.MnuAllSoundOff_Click();
        }
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
