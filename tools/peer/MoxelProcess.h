#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace moxel::test {

// The built program run as a process from a copy in a folder of its own (so
// its setting.ini is the caller's), offscreen, with its runtime and
// configuration folders there and its MIDI service the JACK server named.
class MoxelProcess {
  public:
    // program: the built moxel; the copy goes into a new temporary folder.
    explicit MoxelProcess(const std::filesystem::path& program);
    ~MoxelProcess(); // stops it (SIGTERM, else SIGKILL) and removes the folder
    MoxelProcess(const MoxelProcess&) = delete;
    MoxelProcess& operator=(const MoxelProcess&) = delete;

    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path lockFile() const { return folder_ / "moxel.lock"; }
    void writeSettings(const std::string& content) const;
    // The toolkit's platform for processes started from now on: "offscreen"
    // unless set, "xcb" for the display in DISPLAY.
    void setPlatform(std::string platform) { platform_ = std::move(platform); }
    // The file the error output of processes started from now on goes to
    // (empty: the caller's own error output).
    void setErrorOutput(std::filesystem::path file) { errorOutput_ = std::move(file); }

    // Arguments of processes started from now on.
    void setArguments(std::vector<std::string> arguments) { arguments_ = std::move(arguments); }
    // An environment variable of processes started from now on.
    void setVariable(std::string name, std::string value) {
        variables_.emplace_back(std::move(name), std::move(value));
    }

    // Starts a process; the first one started is the one stop() ends.
    pid_t start(const std::string& jackServer = "moxel-no-such-server");
    // Signals the first process (0: none, only waits); its exit status
    // (nothing if it did not end within the limit, or was already stopped).
    std::optional<int> stop(int signal = 15 /* SIGTERM */,
                            std::chrono::milliseconds limit = std::chrono::seconds(20));
    bool running() const;
    pid_t pid() const { return pid_; }

    // The exit status of a process once it has ended, nothing at the deadline.
    static std::optional<int> exitStatus(pid_t pid, std::chrono::milliseconds limit);

  private:
    std::filesystem::path folder_;
    pid_t pid_ = -1;
    std::string platform_ = "offscreen";
    std::filesystem::path errorOutput_;
    std::vector<std::string> arguments_;
    std::vector<std::pair<std::string, std::string>> variables_;
};

} // namespace moxel::test
