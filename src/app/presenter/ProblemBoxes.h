#pragma once

#include <vector>

#include "app/presenter/ProblemLines.h"
#include "app/presenter/ProblemSink.h"
#include "app/window/MainView.h"

namespace moxel {

// The window's way of telling problems: each in a box over the window (and
// at once on the error output where the problem says something there). What
// is told while the window starts is shown once it has started (started()):
// a box must not hold up the opening of the devices. Once the program is
// ending (ending()), a box could hold it up: the error output takes its
// place.
class ProblemBoxes : public ProblemSink {
  public:
    explicit ProblemBoxes(MainView& view) : view_(view) {}

    void tell(const Problem& problem) override;
    void started() override;
    void ending() override { ending_ = true; }

  private:
    void show(const Problem& problem);

    MainView& view_;
    ProblemLines lines_;
    bool starting_ = true;
    bool ending_ = false;
    std::vector<Problem> heldBack_; // shown once started
};

} // namespace moxel
