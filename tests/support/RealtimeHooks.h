#pragma once

#include <cstdint>

namespace moxel::test {

// Counts of calls made on a thread while it was inside a RealtimeScope (a
// backend's real-time context). Linking moxel_realtime_hooks into a test
// executable replaces malloc and its family and the pthread lock functions
// with counting wrappers around the C library's own.
struct RealtimeViolations {
    std::uint64_t allocations = 0; // malloc, calloc, realloc, aligned forms, free
    std::uint64_t locks = 0;       // pthread mutex and rwlock locks
};

RealtimeViolations realtimeViolations();
void resetRealtimeViolations();

} // namespace moxel::test
