#include "settings/StoredText.h"

#include "encoding/AnsiCodePage.h"
#include "settings/FileRefusals.h"
#include "settings/ProfileValue.h"

namespace moxel {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

} // namespace

StoredText textFromStoredBytes(std::string_view bytes) {
    if (bytes.starts_with(kByteOrderMark)) {
        return {std::string(bytes.substr(kByteOrderMark.size())), StoredEncoding::Utf8};
    }
    return {utf8FromAnsi(bytes), StoredEncoding::AnsiCodePage};
}

std::string storedBytesFromText(std::string_view text) {
    if (std::optional<std::string> ansi = ansiFromUtf8(text)) {
        return std::move(*ansi);
    }
    return std::string(kByteOrderMark).append(text);
}

FileResult checkRewritable(const std::filesystem::path& file, std::string_view bytes,
                           const StoredText& stored) {
    if (stored.encoding == StoredEncoding::AnsiCodePage && ansiFromUtf8(stored.text) != bytes) {
        return notTextInCodePage(file, ansiCodePage());
    }
    return {};
}

std::string_view cutToStoredLimit(std::string_view value, StoredEncoding encoding) {
    return encoding == StoredEncoding::AnsiCodePage
               ? utf8PrefixWithinAnsiBytes(value, kProfileValueLimit)
               : cutToProfileLimit(value);
}

} // namespace moxel
