#include "app/platform/SingleInstance.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace moxel {

SingleInstance::SingleInstance(const std::string& lock) {
    fd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        // Without a lock file we cannot tell; running twice is better than
        // not running at all.
        acquired_ = true;
        return;
    }
    int result = 0;
    do {
        result = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    acquired_ = result == 0;
}

SingleInstance::~SingleInstance() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::string runtimeFile(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        return std::string(runtime) + "/" + name;
    }
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    return folder + "/" + std::to_string(::getuid()) + "-" + name;
}

std::string defaultInstanceLock() {
    return runtimeFile("moxel.lock");
}

} // namespace moxel
