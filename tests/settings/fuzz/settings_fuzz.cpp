// libFuzzer target for the settings file: arbitrary file content, one write.
// Input: byte 0 picks the section ("S" when bit 6 is set) and, when bit 7 is set,
// one of the file's own key lines as the key; byte 1 is the key's length (mod 40),
// byte 2 the value's; then the key, the value and the file content. Checked: the
// write is Written, or Skipped exactly for an empty key or a value with a line
// break (file untouched); the key reads back as the value cut to 127 bytes; every
// line it did not target keeps its bytes, line break and order (one line replaced,
// or a key line, or a section and a key line, added); other keys read as before;
// the same write again changes nothing; no temporary file is left behind.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "settings/KeyEncoding.h"
#include "settings/ProfileFile.h"
#include "settings/ProfileValue.h"
#include "settings/SettingsFile.h"

namespace {

using namespace moxel;

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "settings_fuzz: invariant broken: %s\n", what);
        std::abort();
    }
}

// The script names a folder it clears afterwards: libFuzzer's own exit at the
// time limit skips atexit handlers.
const std::filesystem::path& workFolder() {
    static const std::filesystem::path folder = [] {
        const char* given = std::getenv("MOXEL_FUZZ_WORK");
        const std::filesystem::path base =
            given != nullptr && *given != '\0' ? given : std::filesystem::temp_directory_path();
        std::string pattern = (base / "moxel-settings-fuzz-XXXXXX").string();
        check(mkdtemp(pattern.data()) != nullptr, "cannot create the work folder");
        std::atexit([] { std::filesystem::remove_all(workFolder()); });
        return std::filesystem::path(pattern);
    }();
    return folder;
}

std::string readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string_view trimBlanks(std::string_view s) {
    const std::size_t first = std::min(s.find_first_not_of(" \t"), s.size());
    return s.substr(first, s.find_last_not_of(" \t") + 1 - first);
}

struct Line {
    std::string_view text, lineBreak; // the last line's may be "\r" or nothing
};

std::vector<Line> splitLines(std::string_view content) {
    std::vector<Line> lines;
    if (content.starts_with("\xEF\xBB\xBF")) {
        content.remove_prefix(3);
    }
    while (!content.empty()) {
        const std::string_view line =
            content.substr(0, std::min(content.find('\n'), content.size() - 1) + 1);
        content.remove_prefix(line.size());
        std::size_t end = line.size() - (line.ends_with('\n') ? 1 : 0);
        end -= end > 0 && line[end - 1] == '\r' ? 1 : 0;
        lines.push_back({line.substr(0, end), line.substr(end)});
    }
    return lines;
}

// Names of the file's key lines, as the program asks for them.
std::vector<std::string> keyNamesIn(const std::vector<Line>& lines) {
    std::vector<std::string> names;
    for (const Line& line : lines) {
        const std::string_view text = trimBlanks(line.text);
        const std::size_t equals = line.text.find('=');
        if (!text.empty() && text[0] != ';' && text[0] != '[' && equals != std::string::npos) {
            const std::string_view stored = trimBlanks(line.text.substr(0, equals));
            names.push_back(decodeKeyName(stored).value_or(std::string(stored)));
        }
    }
    return names;
}

// The old lines stand in the new content unchanged and in order, but for one
// replaced line or one or two added lines.
void checkOtherLinesKept(std::string_view before, std::string_view after) {
    check(before.starts_with("\xEF\xBB\xBF") == after.starts_with("\xEF\xBB\xBF"), "BOM changed");
    const std::vector<Line> old = splitLines(before), now = splitLines(after);
    check(now.size() >= old.size() && now.size() <= old.size() + 2, "too many lines changed");
    const std::size_t added = now.size() - old.size();
    // A last line without a full line break ("" or "\r") gets one when lines
    // are added after it.
    const auto same = [&](std::size_t o, std::size_t n, bool mayGainBreak) {
        const std::string_view was = old[o].lineBreak, is = now[n].lineBreak;
        return old[o].text == now[n].text &&
               (was == is || (mayGainBreak && !was.ends_with('\n') && is.ends_with('\n') &&
                              is.starts_with(was)));
    };
    std::size_t prefix = 0, suffix = 0;
    while (prefix < old.size() && same(prefix, prefix, added > 0 && prefix + 1 == old.size())) {
        ++prefix;
    }
    while (suffix < old.size() - prefix &&
           same(old.size() - 1 - suffix, now.size() - 1 - suffix, false)) {
        ++suffix;
    }
    if (added > 0) {
        check(prefix + suffix == old.size(), "old lines changed around an insertion");
        check(added == 1 || now[prefix].text.starts_with("["), "two lines added without a section");
    } else if (prefix + suffix < old.size()) {
        check(prefix + suffix + 1 == old.size(), "more than one line changed");
        const std::string_view was = old[prefix].text;
        const std::size_t equals = was.find('=');
        check(old[prefix].lineBreak == now[prefix].lineBreak && equals != std::string::npos &&
                  now[prefix].text.starts_with(was.substr(0, equals + 1)),
              "the replaced line lost its key or its line break");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    std::string_view rest(reinterpret_cast<const char*>(data) + 3, size - 3);
    const auto take = [&rest](std::size_t length) {
        const std::string part(rest.substr(0, length));
        rest.remove_prefix(part.size());
        return part;
    };
    std::string key = take(data[1] % 40);
    const std::string value = take(data[2]);
    const std::string content(rest);
    const std::vector<std::string> names = keyNamesIn(splitLines(content));
    if ((data[0] & 0x80) != 0 && !names.empty()) {
        key = names[(data[0] & 0x3F) % names.size()];
    }
    const std::string section = (data[0] & 0x40) != 0 ? "S" : std::string(kSettingsSection);

    const std::filesystem::path file = workFolder() / "setting.ini";
    std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
    check(readBytes(file) == content, "cannot write the input file");
    std::vector<std::string> before;
    for (const std::string& name : names) {
        before.push_back(readProfileString(section, name, "\x01missing", file));
    }
    readProfileInt(section, key, -7, file);

    const WriteOutcome outcome = writeProfileString(section, key, value, file);
    const std::string after = readBytes(file);
    for (const auto& entry : std::filesystem::directory_iterator(workFolder())) {
        check(entry.path() == file, "a temporary file was left behind");
    }
    check(outcome.status != WriteOutcome::Status::Failed, "a write failed in a writable folder");
    if (key.empty() || !valueFitsOnLine(value)) {
        check(outcome.status == WriteOutcome::Status::Skipped && after == content &&
                  !outcome.reason.empty(),
              "an unstorable write was not skipped, or changed the file, or gave no reason");
        return 0;
    }
    check(outcome.ok(), "a storable write was skipped");
    const std::string_view expected = cutToProfileLimit(value);
    check(readProfileString(section, key, "\x01missing", file) == expected &&
              readProfileString(section, key, "\x02missing", file) == expected &&
              readProfileInt(section, key, -7, file) == parseProfileInt(expected),
          "the written key does not read back as the value");
    checkOtherLinesKept(content, after);
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < names.size(); ++i) {
        check(std::ranges::equal(names[i], key, {}, lower, lower) ||
                  readProfileString(section, names[i], "\x01missing", file) == before[i],
              "another key changed");
    }
    check(writeProfileString(section, key, value, file).ok() && readBytes(file) == after,
          "writing the same value again changed the file");
    return 0;
}
