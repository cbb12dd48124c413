#pragma once

#include <array>
#include <chrono>

#include "app/window/MainView.h"
#include "app/window/UiLoop.h"

namespace moxel {

class DeviceController;
class RelayShared;

// The two activity lamps and the relay's other news for the window. A
// message lights its lamp to full; each 10 ms turn takes 5 off, and the lamp
// is painted from green (input) or red (output) towards white, which it
// reaches after 51 turns. The turns run only while a lamp is lit, and while
// they run they read the relay's news themselves, so that steady traffic
// wakes the window at the lamps' pace rather than at the relay's.
//
// The timer does not wake the window for every turn: each tick runs the
// turns since the last one and paints once, with the colour of the last.
// The first tick after a lamp lights comes one turn later (its first colour
// is the one of level 250, as soon as ever), a fading lamp is painted every
// three turns (and on the turn it reaches white), and lamps that steady
// traffic holds lit, and that would show the same colour every turn, are
// looked at every ten turns. News found at a tick counts as news of its
// last turn, so a lamp never shows a colour brighter than level 250.
//
// It takes the relay's news out of the shared state (the lamp flags, the
// channel follow mode moved) and tells the relay there whether the turns run
// (uiReadsNews): while they do, the relay leaves its news without waking the
// window.
class LampController {
  public:
    static constexpr int kFull = 255;
    static constexpr int kStep = 5;
    static constexpr std::chrono::milliseconds kTurn{10};
    static constexpr int kFadingTurns = 3; // turns a tick while a lamp fades
    static constexpr int kHeldTurns = 10;  // while every lit lamp is held lit

    LampController(MainView& view, UiLoop& loop, RelayShared& relay, DeviceController& devices);

    // The relay woke the window: takes what it left (lit lamps and, in follow
    // mode, the channel the list should show) and starts the turns.
    void takeRelayNews();
    // One tick of the timer: the turns since the last tick, the last one with
    // the news, then the lamps painted where their colour changed.
    void tick();
    // At shutdown: no more turns.
    void stop();

    int level(LampId lamp) const { return levels_[static_cast<int>(lamp)]; }

  private:
    // Lights the lamps that have news; which ones, by LampId.
    std::array<bool, 2> readNews();
    bool lit() const { return level(LampId::Input) > 0 || level(LampId::Output) > 0; }
    void decay(LampId lamp);
    void paint(LampId lamp);
    // The turns until the next tick (0: no more ticks).
    int nextTurns(const std::array<bool, 2>& relit) const;
    void runTimer(int turns);

    MainView& view_;
    UiLoop& loop_;
    RelayShared& relay_;
    DeviceController& devices_;
    std::array<int, 2> levels_{};  // by LampId, 0..255
    std::array<int, 2> painted_{}; // the level each lamp shows (0: white)
    int turns_ = 0;                // per tick of the running timer (0: not running)
};

} // namespace moxel
