#include "settings/StoredText.h"

#include "settings/ProfileValue.h"

namespace moxel {

StoredText textFromStoredBytes(std::string_view bytes) {
    return {std::string(bytes), StoredEncoding::Utf8};
}

std::string storedBytesFromText(std::string_view text) {
    return std::string(text);
}

FileResult checkRewritable(const std::filesystem::path& /*file*/, std::string_view /*bytes*/,
                           const StoredText& /*stored*/) {
    return {};
}

std::string_view cutToStoredLimit(std::string_view value, StoredEncoding /*encoding*/) {
    return cutToProfileLimit(value);
}

} // namespace moxel
