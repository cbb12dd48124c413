#include "support/RealtimeHooks.h"

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <cstddef>

#include "relay/RealtimeScope.h"

// The C library's allocator under its internal names, so the wrappers below
// forward to it without recursion.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* ptr, std::size_t size);
void __libc_free(void* ptr);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {

std::atomic<std::uint64_t> allocations{0};
std::atomic<std::uint64_t> locks{0};

template <typename T> T counted(std::atomic<std::uint64_t>& counter, T result) noexcept {
    if (moxel::RealtimeScope::active()) {
        counter.fetch_add(1, std::memory_order_relaxed);
    }
    return result;
}

// The next definition of a symbol (the C library's), looked up on first use
// (no function-local statics: their guards could lock).
template <typename Fn> Fn next(std::atomic<Fn>& slot, const char* name) noexcept {
    Fn fn = slot.load(std::memory_order_acquire);
    if (fn == nullptr) {
        fn = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
        slot.store(fn, std::memory_order_release);
    }
    return fn;
}

using MutexFn = int (*)(pthread_mutex_t*);
using RwlockFn = int (*)(pthread_rwlock_t*);
std::atomic<MutexFn> realMutexLock{nullptr}, realMutexTrylock{nullptr};
std::atomic<RwlockFn> realRdlock{nullptr}, realWrlock{nullptr};

} // namespace

extern "C" {

void* malloc(std::size_t size) {
    return counted(allocations, __libc_malloc(size));
}
void* calloc(std::size_t count, std::size_t size) {
    return counted(allocations, __libc_calloc(count, size));
}
void* realloc(void* ptr, std::size_t size) {
    return counted(allocations, __libc_realloc(ptr, size));
}
void free(void* ptr) {
    if (ptr != nullptr) {
        counted(allocations, 0);
    }
    __libc_free(ptr);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
    return counted(allocations, __libc_memalign(alignment, size));
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) {
        return EINVAL;
    }
    *out = counted(allocations, __libc_memalign(alignment, size));
    return *out == nullptr ? ENOMEM : 0;
}
int pthread_mutex_lock(pthread_mutex_t* m) {
    return counted(locks, next(realMutexLock, "pthread_mutex_lock"))(m);
}
int pthread_mutex_trylock(pthread_mutex_t* m) {
    return counted(locks, next(realMutexTrylock, "pthread_mutex_trylock"))(m);
}
int pthread_rwlock_rdlock(pthread_rwlock_t* l) {
    return counted(locks, next(realRdlock, "pthread_rwlock_rdlock"))(l);
}
int pthread_rwlock_wrlock(pthread_rwlock_t* l) {
    return counted(locks, next(realWrlock, "pthread_rwlock_wrlock"))(l);
}

} // extern "C"

namespace moxel::test {

RealtimeViolations realtimeViolations() {
    return {allocations.load(std::memory_order_relaxed), locks.load(std::memory_order_relaxed)};
}

void resetRealtimeViolations() {
    allocations.store(0, std::memory_order_relaxed);
    locks.store(0, std::memory_order_relaxed);
}

} // namespace moxel::test
