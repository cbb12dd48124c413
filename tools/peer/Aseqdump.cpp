#include "peer/Aseqdump.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "peer/WaitUntil.h"

namespace moxel::test {

Aseqdump::Aseqdump(std::filesystem::path file) : file_(std::move(file)) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, file_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    char name[] = "aseqdump";
    char* arguments[] = {name, nullptr};
    if (posix_spawnp(&pid_, name, &actions, nullptr, arguments, environ) != 0) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
}

Aseqdump::~Aseqdump() {
    stop();
}

void Aseqdump::stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGINT);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

// Its lines read "128:0   Note on                 3, note 60, velocity 100".
std::vector<std::vector<std::uint8_t>> Aseqdump::heard() {
    readNew();
    return events_;
}

// Only the lines printed whole since the last look.
void Aseqdump::readNew() {
    static constexpr struct {
        const char* name;
        std::uint8_t status;
    } kKinds[] = {{"Note on", 0x90}, {"Note off", 0x80}, {"Control change", 0xB0}};
    std::ifstream in(file_);
    in.seekg(read_);
    for (std::string line; std::getline(in, line) && !in.eof();) {
        read_ += static_cast<std::streamoff>(line.size() + 1);
        for (const auto& kind : kKinds) {
            const std::size_t at = line.find(kind.name);
            int channel = 0, number = 0, value = 0;
            if (at != std::string::npos &&
                std::sscanf(line.c_str() + at + std::string(kind.name).size(), "%d, %*s %d, %*s %d",
                            &channel, &number, &value) >= 2) {
                events_.push_back({static_cast<std::uint8_t>(kind.status | channel),
                                   static_cast<std::uint8_t>(number),
                                   static_cast<std::uint8_t>(value)});
            }
        }
    }
}

std::size_t Aseqdump::waitForHeard(const std::vector<std::uint8_t>& event,
                                   std::chrono::milliseconds timeout) {
    std::size_t count = 0;
    waitUntil(
        [&] {
            readNew();
            count = std::ranges::find(events_, event) != events_.end() ? events_.size() : 0;
            return count > 0;
        },
        timeout);
    return count;
}

} // namespace moxel::test
