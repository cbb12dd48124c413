// The tap-tempo buttons of the main window.
#include "app/FrmMIDIMain.h"

namespace moxel {

void FrmMIDIMain::CmdTempoBeat_MouseDown(MouseButton /*button*/) {
    if (const auto text = tempo_.tap(view_.selectedIndex(ListId::BeatPer))) {
        view_.setCaption(LabelId::TempoVal, *text);
    }
}

void FrmMIDIMain::CmdTempoReset_Click() {
    tempo_.reset();
    view_.setCaption(LabelId::TempoVal, TapTempo::format(0.0F));
}

} // namespace moxel
