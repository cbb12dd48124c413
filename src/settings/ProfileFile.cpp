#include "settings/ProfileFile.h"

#include <cerrno>
#include <optional>
#include <utility>

#include "settings/AtomicFile.h"
#include "settings/ProfileText.h"
#include "settings/ProfileValue.h"
#include "settings/StoredText.h"

namespace moxel {

namespace {

// The key's value and the encoding of the file that holds it.
struct Found {
    std::optional<std::string> value;
    StoredEncoding encoding = StoredEncoding::Utf8;
};

Found findInFile(std::string_view section, std::string_view key,
                 const std::filesystem::path& file) {
    if (key.empty()) {
        return {};
    }
    std::string bytes;
    if (!readWholeFile(file, bytes).ok()) {
        return {};
    }
    StoredText stored = textFromStoredBytes(bytes);
    return {findProfileValue(stored.text, section, key), stored.encoding};
}

WriteOutcome skipped(std::string reason) {
    return {WriteOutcome::Status::Skipped, std::move(reason)};
}

} // namespace

std::string readProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, const std::filesystem::path& file) {
    const Found found = findInFile(section, key, file);
    return std::string(found.value ? cutToStoredLimit(*found.value, found.encoding)
                                   : cutToProfileLimit(defaultValue));
}

std::int32_t readProfileInt(std::string_view section, std::string_view key,
                            std::int32_t defaultValue, const std::filesystem::path& file) {
    const Found found = findInFile(section, key, file);
    return found.value ? parseProfileInt(cutToStoredLimit(*found.value, found.encoding))
                       : defaultValue;
}

WriteOutcome writeProfileString(std::string_view section, std::string_view key,
                                std::string_view value, const std::filesystem::path& file,
                                std::chrono::milliseconds lockWait) {
    if (key.empty()) {
        return skipped("the setting has an empty name, which cannot be stored");
    }
    if (!valueFitsOnLine(value)) {
        return skipped("the value holds a line break, which the settings file cannot store");
    }
    if (!isStorableSectionName(section)) {
        return skipped("the section name cannot be stored in the settings file");
    }
    const FileResult written = updateFileAtomically(
        file,
        [&](std::string& bytes) {
            const StoredText stored = textFromStoredBytes(bytes);
            FileResult rewritable = checkRewritable(file, bytes, stored);
            if (rewritable.ok()) {
                bytes = storedBytesFromText(setProfileValue(stored.text, section, key, value));
            }
            return rewritable;
        },
        lockWait);
    if (!written.ok()) {
        return {written.errorNumber == EAGAIN ? WriteOutcome::Status::Busy
                                              : WriteOutcome::Status::Failed,
                written.reason};
    }
    return {};
}

} // namespace moxel
