#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace moxel::test {

// The toolkit looks for the session's runtime folder as it starts and warns
// when there is none (a bare console, a container, a build), in the middle
// of whatever the caller prints. A helper program that keeps nothing there
// (the icon drawer, the window's tests) makes one for as long as it runs:
// private (0700) and removed again; the session's own is left as it is.
class RuntimeFolder {
  public:
    RuntimeFolder() {
        if (std::getenv("XDG_RUNTIME_DIR") != nullptr) {
            return;
        }
        std::error_code error;
        std::string pattern =
            (std::filesystem::temp_directory_path(error) / "moxel-runtime-XXXXXX").string();
        if (!error && ::mkdtemp(pattern.data()) != nullptr) {
            folder_ = pattern;
            ::setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
        }
    }
    ~RuntimeFolder() {
        if (!folder_.empty()) {
            std::error_code error;
            std::filesystem::remove_all(folder_, error);
        }
    }
    RuntimeFolder(const RuntimeFolder&) = delete;
    RuntimeFolder& operator=(const RuntimeFolder&) = delete;

  private:
    std::filesystem::path folder_;
};

} // namespace moxel::test
