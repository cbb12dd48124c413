#include "app/presenter/LampController.h"

#include <algorithm>

#include "app/presenter/DeviceController.h"
#include "relay/RelayShared.h"

namespace moxel {

namespace {

constexpr std::array<LampId, 2> kLamps{LampId::Input, LampId::Output};

} // namespace

LampController::LampController(MainView& view, UiLoop& loop, RelayShared& relay,
                               DeviceController& devices)
    : view_(view), loop_(loop), relay_(relay), devices_(devices) {}

void LampController::takeRelayNews() {
    readNews();
    if (lit() && turns_ == 0) {
        runTimer(1);
    }
}

std::array<bool, 2> LampController::readNews() {
    const std::array<bool, 2> relit{relay_.inputLamp.exchange(false),
                                    relay_.outputLamp.exchange(false)};
    for (const LampId lamp : kLamps) {
        if (relit[static_cast<int>(lamp)]) {
            levels_[static_cast<int>(lamp)] = kFull;
        }
    }
    if (relay_.channelFollowed.exchange(false)) {
        devices_.showFollowedChannel(relay_.outputChannel.load());
    }
    return relit;
}

void LampController::decay(LampId lamp) {
    int& level = levels_[static_cast<int>(lamp)];
    level = std::max(level - kStep, 0);
}

void LampController::paint(LampId lamp) {
    const int level = levels_[static_cast<int>(lamp)];
    int& painted = painted_[static_cast<int>(lamp)];
    if (painted == level) {
        return; // a dark lamp, or one that steady traffic keeps at the same colour
    }
    painted = level;
    const int other = kFull - level;
    view_.setLampColor(lamp,
                       lamp == LampId::Input ? Rgb{other, kFull, other} : Rgb{kFull, other, other});
}

void LampController::tick() {
    for (int turn = 1; turn < turns_; ++turn) {
        for (const LampId lamp : kLamps) {
            decay(lamp);
        }
    }
    const std::array<bool, 2> relit = readNews();
    for (const LampId lamp : kLamps) {
        decay(lamp);
        paint(lamp);
    }
    runTimer(nextTurns(relit));
    if (turns_ == 0) {
        // News raised while the relay still saw the turns running woke
        // nobody: it is taken now.
        takeRelayNews();
    }
}

int LampController::nextTurns(const std::array<bool, 2>& relit) const {
    bool held = true;
    int turns = kFadingTurns;
    for (const LampId lamp : kLamps) {
        const int level = levels_[static_cast<int>(lamp)];
        if (level > 0 && !relit[static_cast<int>(lamp)]) {
            held = false;
            turns = std::min(turns, (level + kStep - 1) / kStep); // white on time
        }
    }
    if (!lit()) {
        return 0;
    }
    return held ? kHeldTurns : turns;
}

void LampController::stop() {
    runTimer(0);
}

void LampController::runTimer(int turns) {
    if (turns_ != turns) {
        const bool wasRunning = turns_ > 0;
        turns_ = turns;
        if (wasRunning != (turns > 0)) {
            relay_.uiReadsNews.store(turns > 0, std::memory_order_seq_cst);
        }
        loop_.setLampTimer(turns * kTurn);
    }
}

} // namespace moxel
