#pragma once

#include <sys/types.h>

#include <map>
#include <string>

namespace moxel::test {

// What each thread of a running process has used so far, read from /proc:
// keyed by "<name> <thread id>".
struct ThreadUse {
    double cpuSeconds = 0; // time on a CPU (schedstat)
    long switches = 0;     // voluntary and involuntary context switches
};
using ProcessThreads = std::map<std::string, ThreadUse>;

ProcessThreads readProcessThreads(pid_t pid);

// What each thread used between two readings (threads that started in
// between count from zero).
ProcessThreads difference(const ProcessThreads& before, const ProcessThreads& after);

} // namespace moxel::test
