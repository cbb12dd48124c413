#include "peer/ProcessThreads.h"

#include <filesystem>
#include <fstream>

namespace moxel::test {

ProcessThreads readProcessThreads(pid_t pid) {
    ProcessThreads threads;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream comm(task.path() / "comm");
        std::ifstream schedstat(task.path() / "schedstat");
        std::ifstream status(task.path() / "status");
        std::string name;
        std::getline(comm, name);
        ThreadUse use;
        double nanoseconds = 0;
        if (schedstat >> nanoseconds) {
            use.cpuSeconds = nanoseconds / 1e9;
        }
        std::string line;
        while (std::getline(status, line)) {
            if (line.find("ctxt_switches") != std::string::npos) {
                use.switches += std::stol(line.substr(line.find(':') + 1));
            }
        }
        threads[name + " " + task.path().filename().string()] = use;
    }
    return threads;
}

ProcessThreads difference(const ProcessThreads& before, const ProcessThreads& after) {
    ProcessThreads used;
    for (const auto& [thread, use] : after) {
        const auto start = before.find(thread);
        const ThreadUse from = start == before.end() ? ThreadUse{} : start->second;
        used[thread] = {use.cpuSeconds - from.cpuSeconds, use.switches - from.switches};
    }
    return used;
}

} // namespace moxel::test
