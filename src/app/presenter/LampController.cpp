#include "app/presenter/LampController.h"

#include "app/presenter/DeviceController.h"
#include "relay/RelayShared.h"

namespace moxel {

LampController::LampController(MainView& view, RelayShared& relay, DeviceController& devices)
    : view_(view), relay_(relay), devices_(devices) {}

void LampController::takeRelayNews() {
    if (relay_.inputLamp.exchange(false)) {
        levels_[static_cast<int>(LampId::Input)] = kFull;
    }
    if (relay_.outputLamp.exchange(false)) {
        levels_[static_cast<int>(LampId::Output)] = kFull;
    }
    if (relay_.channelFollowed.exchange(false)) {
        devices_.showFollowedChannel(relay_.channelPosition.load());
    }
    if (level(LampId::Input) > 0 || level(LampId::Output) > 0) {
        runTimer(true);
    }
}

void LampController::fade(LampId lamp) {
    int& level = levels_[static_cast<int>(lamp)];
    if (level <= 0) {
        return; // a dark lamp is not repainted
    }
    level = level - kStep > 0 ? level - kStep : 0;
    const int other = kFull - level;
    view_.setLampColor(lamp,
                       lamp == LampId::Input ? Rgb{other, kFull, other} : Rgb{kFull, other, other});
}

void LampController::tick() {
    fade(LampId::Input);
    fade(LampId::Output);
    if (level(LampId::Input) == 0 && level(LampId::Output) == 0) {
        runTimer(false);
    }
}

void LampController::stop() {
    runTimer(false);
}

void LampController::runTimer(bool run) {
    if (timerRunning_ != run) {
        timerRunning_ = run;
        view_.setLampTimerActive(run);
    }
}

} // namespace moxel
