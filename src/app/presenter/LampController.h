#pragma once

#include <array>

#include "app/window/MainView.h"
#include "app/window/UiLoop.h"

namespace moxel {

class DeviceController;
class RelayShared;

// The two activity lamps and the relay's other news for the window. A
// message lights its lamp to full; each 10 ms turn takes 5 off and paints
// the lamp from green (input) or red (output) towards white, which it
// reaches after 51 turns. The turns run only while a lamp is lit, and while
// they run they read the relay's news themselves, so that steady traffic
// wakes the window at the lamps' pace rather than at the relay's.
//
// It takes the relay's news out of the shared state (the lamp flags, the
// channel follow mode moved) and tells the relay there whether the turns run
// (uiReadsNews): while they do, the relay leaves its news without waking the
// window.
class LampController {
  public:
    static constexpr int kFull = 255;
    static constexpr int kStep = 5;

    LampController(MainView& view, UiLoop& loop, RelayShared& relay, DeviceController& devices);

    // The relay woke the window: takes what it left (lit lamps and, in follow
    // mode, the channel the list should show) and starts the turns.
    void takeRelayNews();
    // One 10 ms turn: the news, then the fade.
    void tick();
    // At shutdown: no more turns.
    void stop();

    int level(LampId lamp) const { return levels_[static_cast<int>(lamp)]; }

  private:
    void readNews();
    bool lit() const { return level(LampId::Input) > 0 || level(LampId::Output) > 0; }
    void fade(LampId lamp);
    void runTimer(bool run);

    MainView& view_;
    UiLoop& loop_;
    RelayShared& relay_;
    DeviceController& devices_;
    std::array<int, 2> levels_{};        // by LampId, 0..255
    std::array<int, 2> painted_{-1, -1}; // the level each lamp shows; -1: none yet
    bool timerRunning_ = false;
};

} // namespace moxel
