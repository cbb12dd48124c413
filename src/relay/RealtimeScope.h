#pragma once

namespace moxel {

// Marks the running thread as being inside Moxel's real-time code (the JACK
// process callback, a relay thread's pass) for as long as a RealtimeScope lives. Only a flag in
// thread-local storage; it lets test builds check that nothing on the
// real-time path allocates or locks.
class RealtimeScope {
  public:
    RealtimeScope() noexcept { active_ = true; }
    ~RealtimeScope() { active_ = false; }
    RealtimeScope(const RealtimeScope&) = delete;
    RealtimeScope& operator=(const RealtimeScope&) = delete;

    // True on a thread that is inside a RealtimeScope.
    static bool active() noexcept { return active_; }

  private:
    static inline thread_local bool active_ = false;
};

} // namespace moxel
