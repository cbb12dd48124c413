#include "app/presenter/LampController.h"

#include "app/presenter/DeviceController.h"
#include "relay/RelayShared.h"

namespace moxel {

LampController::LampController(MainView& view, UiLoop& loop, RelayShared& relay,
                               DeviceController& devices)
    : view_(view), loop_(loop), relay_(relay), devices_(devices) {}

void LampController::takeRelayNews() {
    readNews();
    if (lit()) {
        runTimer(true);
    }
}

void LampController::readNews() {
    if (relay_.inputLamp.exchange(false)) {
        levels_[static_cast<int>(LampId::Input)] = kFull;
    }
    if (relay_.outputLamp.exchange(false)) {
        levels_[static_cast<int>(LampId::Output)] = kFull;
    }
    if (relay_.channelFollowed.exchange(false)) {
        devices_.showFollowedChannel(relay_.outputChannel.load());
    }
}

void LampController::fade(LampId lamp) {
    int& level = levels_[static_cast<int>(lamp)];
    if (level <= 0) {
        return; // a dark lamp is not repainted
    }
    level = level - kStep > 0 ? level - kStep : 0;
    int& painted = painted_[static_cast<int>(lamp)];
    if (painted == level) {
        return; // lit again by steady traffic: the same colour as the last turn
    }
    painted = level;
    const int other = kFull - level;
    view_.setLampColor(lamp,
                       lamp == LampId::Input ? Rgb{other, kFull, other} : Rgb{kFull, other, other});
}

void LampController::tick() {
    readNews();
    fade(LampId::Input);
    fade(LampId::Output);
    if (!lit()) {
        runTimer(false);
        // News raised while the relay still saw the turns running woke
        // nobody: it is taken now.
        takeRelayNews();
    }
}

void LampController::stop() {
    runTimer(false);
}

void LampController::runTimer(bool run) {
    if (timerRunning_ != run) {
        timerRunning_ = run;
        relay_.uiReadsNews.store(run, std::memory_order_seq_cst);
        loop_.setLampTimerActive(run);
    }
}

} // namespace moxel
