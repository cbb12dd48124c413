#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace moxel::test {

// A server started for a test that writes one line on its file descriptor 3
// once it takes clients (Xvfb -displayfd 3, dbus-daemon --print-address=3).
// It ends with the object (SIGTERM), or with this process.
class ReadyProcess {
  public:
    explicit ReadyProcess(const std::vector<std::string>& command);
    ~ReadyProcess();
    ReadyProcess(const ReadyProcess&) = delete;
    ReadyProcess& operator=(const ReadyProcess&) = delete;

    // That line without its line break; nothing when the server did not
    // start (not installed) or has been stopped.
    const std::optional<std::string>& readyLine() const { return line_; }
    void stop();

  private:
    pid_t pid_ = -1;
    std::optional<std::string> line_;
};

} // namespace moxel::test
