// Program changes from the patch box and the keypad, and All Sound Off.
#include "app/FrmMIDIMain.h"
#include "relay/PatchNumber.h"

namespace moxel {

namespace {
const char* const kPatchTitle = "Patch No Change";
const char* const kPatchPrompt = "送信したいパッチ エントリーナンバーを入力して下さい。\r\n"
                                 "数字で0～127までの値を使用できます。\r\n"
                                 "\r\n"
                                 "お使いの音源によっては、入力値+1になる事があります。";
} // namespace

bool FrmMIDIMain::midiOut(std::uint32_t lngMidiMSG) {
    if (lngHMidiOut_ == 0) {
        return false;
    }
    return backend_.sendShort(lngHMidiOut_, lngMidiMSG);
}

void FrmMIDIMain::sendPatch() {
    view_.setCaption(LabelId::Patch, formatPatchNumber(lngPatchNo_));
    const int position = view_.selectedIndex(ListId::MidiCh);
    midiOut(static_cast<std::uint32_t>(lngPatchNo_) * 256U +
            static_cast<std::uint32_t>(position < 0 ? 0 : position) + 0xC0U);
}

void FrmMIDIMain::LblPatch_DblClick() {
    const std::optional<std::string> answer = view_.inputBox(kPatchPrompt, kPatchTitle);
    if (!answer) {
        return;
    }
    const std::optional<int> patch = parsePatchNumber(*answer);
    if (!patch) {
        return;
    }
    lngPatchNo_ = *patch;
    sendPatch();
}

void FrmMIDIMain::Form_KeyDown(int keyCode) {
    if (keyCode == vkAdd) {
        lngPatchNo_ = lngPatchNo_ == 127 ? 0 : lngPatchNo_ + 1;
    } else if (keyCode == vkSubtract) {
        lngPatchNo_ = lngPatchNo_ == 0 ? 127 : lngPatchNo_ - 1;
    } else {
        return;
    }
    sendPatch();
}

void FrmMIDIMain::MnuAllSoundOff_Click() {
    if (lngHMidiOut_ != 0) {
        backend_.resetOutput(lngHMidiOut_);
    }
}

} // namespace moxel
