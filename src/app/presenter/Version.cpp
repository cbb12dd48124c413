#include "app/presenter/Version.h"

#include "app/presenter/BuildConfig.h"

namespace moxel {

std::string versionText() {
    return std::to_string(build::versionMajor) + "." + std::to_string(build::versionMinor);
}

} // namespace moxel
