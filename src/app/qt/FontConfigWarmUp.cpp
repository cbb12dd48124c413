#include "app/qt/FontConfigWarmUp.h"

#include <fontconfig/fontconfig.h>

namespace moxel {

FontConfigWarmUp::FontConfigWarmUp() : thread_([] { FcInit(); }) {}

FontConfigWarmUp::~FontConfigWarmUp() {
    thread_.join();
}

} // namespace moxel
