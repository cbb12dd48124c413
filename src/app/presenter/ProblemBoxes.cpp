#include "app/presenter/ProblemBoxes.h"

#include <utility>

namespace moxel {

void ProblemBoxes::tell(const Problem& problem) {
    if (ending_ || !problem.said.empty()) {
        lines_.tell(problem);
    }
    if (ending_) {
        return;
    }
    if (starting_) {
        heldBack_.push_back(problem);
        return;
    }
    show(problem);
}

void ProblemBoxes::started() {
    starting_ = false;
    // Each box waits for its answer; once the program is ending, the rest are
    // left unsaid.
    for (const Problem& problem : std::exchange(heldBack_, {})) {
        if (ending_) {
            break;
        }
        show(problem);
    }
}

void ProblemBoxes::show(const Problem& problem) {
    view_.messageBox(problem.text, problem.title, MessageIcon::Information);
}

} // namespace moxel
