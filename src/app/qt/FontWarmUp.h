#pragma once

#include <future>
#include <thread>

namespace moxel {

// Readies the window's fonts on a thread of its own while the main thread
// starts the toolkit and builds the window's controls: first the system's
// font configuration (it needs no toolkit), then, once toolkitStarted() is
// called, the toolkit's font database and the window's faces in it (the font
// database is safe to use from any thread). Whoever needs them first waits
// for them; the libraries and the toolkit guard their own state. Joins when
// it goes out of scope.
class FontWarmUp {
  public:
    FontWarmUp();
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    // The application object exists: the font database can be read. Once.
    void toolkitStarted();

  private:
    std::promise<bool> toolkit_; // true: started; false: it never will
    bool told_ = false;
    std::thread thread_;
};

} // namespace moxel
