#pragma once

#include <thread>

namespace moxel {

// Loads the system's font configuration on a thread of its own while the
// toolkit starts: reading it is most of what the window's first font costs,
// and none of it needs the toolkit. The toolkit then finds it loaded (the
// library guards its own state). Joins when it goes out of scope.
class FontConfigWarmUp {
  public:
    FontConfigWarmUp();
    ~FontConfigWarmUp();
    FontConfigWarmUp(const FontConfigWarmUp&) = delete;
    FontConfigWarmUp& operator=(const FontConfigWarmUp&) = delete;

  private:
    std::thread thread_;
};

} // namespace moxel
