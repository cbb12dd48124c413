#include "settings/FileRefusals.h"

#include <cerrno>
#include <string>

#include "encoding/Utf8Path.h"

namespace moxel {

namespace {

FileResult refusal(int errorNumber, const std::filesystem::path& file, std::string_view why) {
    FileResult result;
    result.errorNumber = errorNumber;
    result.reason.append("\"").append(utf8FromPath(file)).append("\" ").append(why);
    return result;
}

} // namespace

FileResult notARegularFile(const std::filesystem::path& file, std::string_view kind) {
    return refusal(EINVAL, file, "is not a regular file but " + std::string(kind));
}

FileResult tooLargeFile(const std::filesystem::path& file) {
    static_assert(kFileSizeLimit == 1U << 20, "the text names the limit");
    return refusal(EFBIG, file, "is larger than 1 MiB, too large for a settings file");
}

FileResult checkNewSize(const std::filesystem::path& file, std::string_view bytes) {
    if (bytes.size() <= kFileSizeLimit) {
        return {};
    }
    return refusal(EFBIG, file,
                   "would grow larger than 1 MiB, too large for a settings file; it is left as "
                   "it is");
}

FileResult readOnlyFile(const std::filesystem::path& file) {
    return refusal(EACCES, file, "is read-only");
}

FileResult fileKeptLocked(const std::filesystem::path& file, std::chrono::milliseconds waited) {
    std::string why = "is being written by another program";
    if (waited.count() > 0) {
        why += "; gave up waiting after " + (waited.count() % 1000 == 0
                                                 ? std::to_string(waited.count() / 1000) + " s"
                                                 : std::to_string(waited.count()) + " ms");
    }
    return refusal(EAGAIN, file, why);
}

FileResult notTextInCodePage(const std::filesystem::path& file, unsigned codePage) {
    return refusal(EILSEQ, file,
                   "holds bytes that are not text in the system's code page " +
                       std::to_string(codePage) + "; it is left as it is");
}

} // namespace moxel
