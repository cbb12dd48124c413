#pragma once

#include <array>

#include "app/window/MainView.h"

namespace moxel {

class DeviceController;
class RelayShared;

// The two activity lamps and the relay's other news for the window. A
// message lights its lamp to full; each 10 ms turn takes 5 off and paints
// the lamp from green (input) or red (output) towards white, which it
// reaches after 51 turns. The turns run only while a lamp is lit.
class LampController {
  public:
    static constexpr int kFull = 255;
    static constexpr int kStep = 5;

    LampController(MainView& view, RelayShared& relay, DeviceController& devices);

    // Takes what the relay left: lit lamps and, in follow mode, the channel
    // the list should show.
    void takeRelayNews();
    // One 10 ms turn of the fade.
    void tick();
    // At shutdown: no more turns.
    void stop();

    int level(LampId lamp) const { return levels_[static_cast<int>(lamp)]; }

  private:
    void fade(LampId lamp);
    void runTimer(bool run);

    MainView& view_;
    RelayShared& relay_;
    DeviceController& devices_;
    std::array<int, 2> levels_{}; // by LampId, 0..255
    bool timerRunning_ = false;
};

} // namespace moxel
