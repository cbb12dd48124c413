#include "app/qt/FontWarmUp.h"

#include <fontconfig/fontconfig.h>

#include "app/qt/AppFonts.h"

namespace moxel {

FontWarmUp::FontWarmUp()
    : thread_([started = toolkit_.get_future()]() mutable {
          FcInit();
          if (started.get()) {
              layoutFaceInstalled(); // reads the font database and finds the faces
          }
      }) {}

FontWarmUp::~FontWarmUp() {
    if (!told_) {
        toolkit_.set_value(false);
    }
    thread_.join();
}

void FontWarmUp::toolkitStarted() {
    if (!told_) {
        told_ = true;
        toolkit_.set_value(true);
    }
}

} // namespace moxel
