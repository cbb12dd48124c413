#pragma once

#include <cstdint>

namespace moxel {

// Milliseconds of a monotonic clock, wrapping at 2^32 like a 32-bit counter.
std::uint32_t millisecondCounter();

} // namespace moxel
