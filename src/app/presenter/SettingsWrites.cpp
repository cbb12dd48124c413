#include "app/presenter/SettingsWrites.h"

#include <algorithm>

#include "app/presenter/ProblemTexts.h"
#include "settings/ProfileText.h"
#include "settings/ProfileValue.h"

namespace moxel {

SettingsWrites::SettingsWrites(UiLoop& loop, ProblemSink& problems,
                               std::function<std::uint32_t()> clock)
    : loop_(loop), problems_(problems), clock_(std::move(clock)) {}

void SettingsWrites::use(std::filesystem::path file, bool readOnly) {
    file_.emplace(std::move(file));
    readOnly_ = readOnly;
}

// The newest waiting value of a key that names the same one (names match
// without regard to ASCII case, as in the file).
const std::string* SettingsWrites::waitingValue(std::string_view key) const {
    const auto found = std::find_if(waiting_.rbegin(), waiting_.rend(), [&](const auto& change) {
        return equalsIgnoringAsciiCase(change.first, key);
    });
    return found != waiting_.rend() ? &found->second : nullptr;
}

std::string SettingsWrites::readString(std::string_view key, std::string_view defaultValue) const {
    if (const std::string* value = waitingValue(key); value != nullptr) {
        return std::string(cutToProfileLimit(*value));
    }
    return file_ ? file_->readString(key, defaultValue)
                 : std::string(cutToProfileLimit(defaultValue));
}

std::int32_t SettingsWrites::readInt(std::string_view key) const {
    if (const std::string* value = waitingValue(key); value != nullptr) {
        return parseProfileInt(cutToProfileLimit(*value));
    }
    return file_ ? file_->readInt(key) : 0;
}

void SettingsWrites::write(std::string key, std::string value) {
    if (!file_) {
        return;
    }
    std::erase_if(waiting_, [&](const auto& change) { return change.first == key; });
    waiting_.emplace_back(std::move(key), std::move(value));
    if (!readOnly_) {
        writeWaiting(std::chrono::milliseconds(0));
    }
}

void SettingsWrites::retry() {
    writeWaiting(std::chrono::milliseconds(0));
}

void SettingsWrites::finish() {
    if (readOnly_) {
        return; // kept for the run only
    }
    writeWaiting(kLastWait);
    for (const auto& [key, value] : waiting_) {
        WriteOutcome lost{WriteOutcome::Status::Failed, heldBecause_};
        lost.reason.append("; not saved: ").append(key).append("=").append(value);
        problems_.tell(settingNotSaved(file_->path(), lost));
    }
    waiting_.clear();
    loop_.setSettingsRetryActive(false);
}

// In order, until the file is found held. A box told meanwhile may run the
// timer's retry inside it: each turn takes the oldest change anew.
void SettingsWrites::writeWaiting(std::chrono::milliseconds lockWait) {
    while (!waiting_.empty()) {
        const auto [key, value] = waiting_.front();
        const WriteOutcome outcome = file_->writeString(key, value, lockWait);
        if (outcome.status == WriteOutcome::Status::Busy) {
            heldBecause_ = outcome.reason;
            break;
        }
        waiting_.pop_front();
        if (!outcome.ok()) {
            problems_.tell(settingNotSaved(file_->path(), outcome));
        }
    }
    loop_.setSettingsRetryActive(!waiting_.empty());
    if (waiting_.empty()) {
        heldSince_.reset();
        told_ = false;
        return;
    }
    if (!heldSince_) {
        heldSince_ = clock_();
    }
    if (!told_ && clock_() - *heldSince_ >= static_cast<std::uint32_t>(kTellAfter.count())) {
        told_ = true;
        problems_.tell(settingsKeptBusy(file_->path(), heldBecause_));
    }
}

} // namespace moxel
