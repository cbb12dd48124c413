#pragma once

#include "app/window/MainView.h"

namespace moxel {

class DeviceController;

// The patch number: entered in the patch box or stepped with the keypad's
// plus and minus keys, shown three digits wide, and sent as a program change
// on the selected channel through the UI's sending path.
class PatchController {
  public:
    PatchController(MainView& view, DeviceController& devices);

    // Asks for a patch number; an answer that is no number from 0 to 127
    // (or a cancel) changes nothing.
    void askForPatch();
    // The keypad's plus and minus step the patch with wrap-around; other keys
    // do nothing.
    void keyDown(int keyCode);
    // Takes a patch number 0..127 as the patch box does (another start's
    // --program).
    void choose(int patch);

    int patch() const { return patch_; }

  private:
    void showAndSend();

    MainView& view_;
    DeviceController& devices_;
    int patch_ = 0; // 0..127
};

} // namespace moxel
