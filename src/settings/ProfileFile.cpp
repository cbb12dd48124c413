#include "settings/ProfileFile.h"

#include <optional>
#include <utility>

#include "settings/AtomicFile.h"
#include "settings/ProfileText.h"
#include "settings/ProfileValue.h"

namespace moxel {

namespace {

std::optional<std::string> findInFile(std::string_view section, std::string_view key,
                                      const std::filesystem::path& file) {
    if (key.empty()) {
        return std::nullopt;
    }
    std::string content;
    if (!readWholeFile(file, content).ok()) {
        return std::nullopt;
    }
    return findProfileValue(content, section, key);
}

WriteOutcome skipped(std::string reason) {
    return {WriteOutcome::Status::Skipped, std::move(reason)};
}

} // namespace

std::string readProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, const std::filesystem::path& file) {
    const std::optional<std::string> value = findInFile(section, key, file);
    return std::string(cutToProfileLimit(value ? std::string_view(*value) : defaultValue));
}

std::int32_t readProfileInt(std::string_view section, std::string_view key,
                            std::int32_t defaultValue, const std::filesystem::path& file) {
    const std::optional<std::string> value = findInFile(section, key, file);
    return value ? parseProfileInt(cutToProfileLimit(*value)) : defaultValue;
}

WriteOutcome writeProfileString(std::string_view section, std::string_view key,
                                std::string_view value, const std::filesystem::path& file) {
    if (key.empty()) {
        return skipped("the setting has an empty name, which cannot be stored");
    }
    if (!valueFitsOnLine(value)) {
        return skipped("the value holds a line break, which the settings file cannot store");
    }
    if (!isStorableSectionName(section)) {
        return skipped("the section name cannot be stored in the settings file");
    }
    const FileResult written = updateFileAtomically(file, [&](std::string& bytes) {
        bytes = setProfileValue(bytes, section, key, value);
        return FileResult{};
    });
    if (!written.ok()) {
        return {WriteOutcome::Status::Failed, written.reason};
    }
    return {};
}

} // namespace moxel
