#pragma once

#include <cstddef>
#include <optional>

namespace moxel::midi {

// The input queue of another sequencer client: its size and how much of it
// is free now, in the kernel's cells (a short message takes one).
struct QueueRoom {
    std::size_t free = 0;
    std::size_t size = 0;
};

// Asked of the kernel through the sequencer's descriptor (alsa-lib asks only
// of the caller's own client): one ioctl. Nothing for a client without such
// a queue (the kernel's own clients and its drivers' ports) or one that is gone.
std::optional<QueueRoom> queueRoom(int sequencerDescriptor, int client) noexcept;

} // namespace moxel::midi
