#include "app/presenter/PatchController.h"

#include <cstdint>
#include <optional>
#include <string>

#include "app/presenter/DeviceController.h"
#include "app/presenter/PatchNumber.h"
#include "app/window/MainWindowEvents.h"

namespace moxel {

namespace {
const char* const kPatchTitle = "Patch No Change";
const char* const kPatchPrompt = "送信したいパッチ エントリーナンバーを入力して下さい。\r\n"
                                 "数字で0～127までの値を使用できます。\r\n"
                                 "\r\n"
                                 "お使いの音源によっては、入力値+1になる事があります。";
} // namespace

PatchController::PatchController(MainView& view, DeviceController& devices)
    : view_(view), devices_(devices) {}

void PatchController::showAndSend() {
    view_.setCaption(LabelId::Patch, formatPatchNumber(patch_));
    devices_.send(static_cast<std::uint32_t>(patch_) * 256U +
                  static_cast<std::uint32_t>(devices_.selectedChannel()) + 0xC0U);
}

void PatchController::askForPatch() {
    const std::optional<std::string> answer = view_.inputBox(kPatchPrompt, kPatchTitle);
    if (!answer) {
        return;
    }
    const std::optional<int> patch = parsePatchNumber(*answer);
    if (!patch) {
        return;
    }
    patch_ = *patch;
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
