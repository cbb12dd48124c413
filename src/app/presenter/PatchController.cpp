#include "app/presenter/PatchController.h"

#include <cstdint>
#include <optional>
#include <string>

#include "app/presenter/DeviceController.h"
#include "app/presenter/PatchNumber.h"
#include "app/window/MainWindowEvents.h"
#include "app/window/Texts.h"
#include "relay/MidiMessage.h"

namespace moxel {

PatchController::PatchController(MainView& view, DeviceController& devices)
    : view_(view), devices_(devices) {}

void PatchController::showAndSend() {
    view_.setCaption(LabelId::Patch, formatPatchNumber(patch_));
    devices_.send(midi::programChange(devices_.selectedChannel(), patch_));
}

void PatchController::askForPatch() {
    const std::optional<std::string> answer =
        view_.inputBox(std::string(text(Text::PatchPrompt)), std::string(text(Text::PatchTitle)));
    if (!answer) {
        return;
    }
    if (const std::optional<int> patch = parsePatchNumber(*answer)) {
        choose(*patch);
    }
}

void PatchController::choose(int patch) {
    patch_ = patch;
    showAndSend();
}

void PatchController::keyDown(int keyCode) {
    if (keyCode == vkAdd) {
        patch_ = patch_ == 127 ? 0 : patch_ + 1;
    } else if (keyCode == vkSubtract) {
        patch_ = patch_ == 0 ? 127 : patch_ - 1;
    } else {
        return;
    }
    showAndSend();
}

} // namespace moxel
