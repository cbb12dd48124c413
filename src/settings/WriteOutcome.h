#pragma once

#include <string>

namespace moxel {

// Outcome of writing one key.
struct WriteOutcome {
    enum class Status { Written, Skipped, Failed };
    Status status = Status::Written;
    std::string reason; // for Skipped/Failed: why, in words for the user
    bool ok() const { return status == Status::Written; }
};

} // namespace moxel
