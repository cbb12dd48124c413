#pragma once

// Windows only.

#include <array>
#include <cstddef>
#include <vector>

#include "midi/backends/winmm/WinmmApi.h"

namespace moxel::midi {

// A fixed set of SysEx buffers with their headers, made once and prepared for
// one device while it is open. Their addresses never change, so the driver
// and the relay thread may hold on to them.
class SysexBuffers {
  public:
    static constexpr std::size_t kBufferSize = 1024;

    explicit SysexBuffers(std::size_t count);

    std::size_t count() const noexcept { return headers_.size(); }
    MIDIHDR& header(std::size_t index) noexcept { return headers_[index]; }

    // Input: prepares every buffer for the device and hands it to the driver.
    // False when a call failed (whatever was prepared is undone).
    bool prepareAndAdd(const WinmmApi& api, HMIDIIN input);
    void unprepare(const WinmmApi& api, HMIDIIN input);

    // Output: prepares every buffer for the device.
    bool prepare(const WinmmApi& api, HMIDIOUT output);
    void unprepare(const WinmmApi& api, HMIDIOUT output);

    // Output, relay thread: a buffer the driver is not sending, or nullptr.
    MIDIHDR* idleOutputBuffer() noexcept;

  private:
    void reset(std::size_t index) noexcept;

    std::vector<std::array<char, kBufferSize>> data_;
    std::vector<MIDIHDR> headers_;
};

} // namespace moxel::midi
