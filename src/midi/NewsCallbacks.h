#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <memory>

#include "midi/MidiBackend.h"

namespace moxel::midi {

// The UI's callbacks for a backend's news (MidiBackend::setNewsCallback), and
// the one way to call them. tell() may run on any thread, a real-time one
// included: it takes no lock and allocates nothing, so it costs what the
// callback costs (the program's callbacks only hand the news over). A
// callback that is replaced or removed is never called again once
// setCallback returns, and is destroyed there, on the UI thread.
class NewsCallbacks {
  public:
    NewsCallbacks() = default;
    NewsCallbacks(const NewsCallbacks&) = delete;
    NewsCallbacks& operator=(const NewsCallbacks&) = delete;

    // UI thread. An empty function removes the callback.
    void setCallback(News kind, std::function<void()> callback);
    // Any thread.
    void tell(News kind) noexcept;

  private:
    static std::size_t slot(News kind) noexcept { return kind == News::Relay ? 0 : 1; }

    std::array<std::atomic<const std::function<void()>*>, 2> callbacks_{};
    std::array<std::unique_ptr<std::function<void()>>, 2> storage_; // UI side
    std::atomic<int> inside_{0};                                    // tell() calls under way
};

} // namespace moxel::midi
