#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "app/presenter/ProblemSink.h"
#include "app/window/UiLoop.h"
#include "settings/SettingsFile.h"

namespace moxel {

// setting.ini as the window uses it: read key by key, and changed without
// ever waiting for the file. A change is tried at once, without waiting for
// another program that may be writing the file; when the file is held, that
// change and every later one wait, in order, and are tried again on the UI
// loop's timer. A newer value of a key replaces one still waiting, and reads
// find the newest value. Changes still waiting after kTellAfter are told
// once (and again only after all that waited was saved). At the end of the
// run (finish()) what waits is tried once more, waiting at most kLastWait
// for the file; what still cannot be saved is told.
class SettingsWrites {
  public:
    static constexpr std::chrono::milliseconds kTellAfter{2000};
    static constexpr std::chrono::milliseconds kLastWait{500};

    // clock: milliseconds, wrapping at 2^32.
    SettingsWrites(UiLoop& loop, ProblemSink& problems, std::function<std::uint32_t()> clock);

    // The file from now on; nothing is read or written before. A file only
    // read keeps the changes for the run: reads find them, nothing is
    // written.
    void use(std::filesystem::path file, bool readOnly = false);
    const std::optional<SettingsFile>& file() const { return file_; }

    // As SettingsFile's, with the values still waiting to be written.
    std::string readString(std::string_view key, std::string_view defaultValue) const;
    std::int32_t readInt(std::string_view key) const;

    // Stores the value under the key: now, or once the file is free. A change
    // that fails, or cannot be stored at all, is told and dropped.
    void write(std::string key, std::string value);
    // Tries again what waits (the UI loop's settings timer).
    void retry();
    // The last try, at the end of the run.
    void finish();

  private:
    const std::string* waitingValue(std::string_view key) const;
    void writeWaiting(std::chrono::milliseconds lockWait);

    UiLoop& loop_;
    ProblemSink& problems_;
    std::function<std::uint32_t()> clock_;
    std::optional<SettingsFile> file_;
    bool readOnly_ = false;
    std::deque<std::pair<std::string, std::string>> waiting_; // oldest first
    std::optional<std::uint32_t> heldSince_; // when a change first found the file held
    std::string heldBecause_;
    bool told_ = false;
};

} // namespace moxel
