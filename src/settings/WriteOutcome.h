#pragma once

#include <string>

namespace moxel {

// Outcome of writing one key.
struct WriteOutcome {
    // Busy: another program was writing the file; nothing was written, and
    // the same write may be tried again later.
    enum class Status { Written, Skipped, Failed, Busy };
    Status status = Status::Written;
    std::string reason; // unless Written: why, in words for the user
    bool ok() const { return status == Status::Written; }
};

} // namespace moxel
