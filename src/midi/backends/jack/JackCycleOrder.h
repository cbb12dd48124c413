#pragma once

// JACK runs the process callbacks of its clients one after another along the
// connections, and hands the port buffers from one client to the next
// through shared memory and futexes inside libjack. ThreadSanitizer cannot
// see that hand-over and would take every read of an input buffer for a race
// with the writer in the upstream client. These two calls tell it: a process
// callback begins after every callback that ended before it. In builds
// without ThreadSanitizer they are empty.

#if defined(__SANITIZE_THREAD__)
#define MOXEL_TSAN_ANNOTATE 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define MOXEL_TSAN_ANNOTATE 1
#endif
#endif

#ifdef MOXEL_TSAN_ANNOTATE
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace moxel::midi {

#ifdef MOXEL_TSAN_ANNOTATE
inline char jackCycleToken = 0; // only its address is used
#endif

inline void jackCallbackBegins() noexcept {
#ifdef MOXEL_TSAN_ANNOTATE
    __tsan_acquire(&jackCycleToken);
#endif
}

inline void jackCallbackEnds() noexcept {
#ifdef MOXEL_TSAN_ANNOTATE
    __tsan_release(&jackCycleToken);
#endif
}

} // namespace moxel::midi
