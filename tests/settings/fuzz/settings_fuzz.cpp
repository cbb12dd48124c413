// libFuzzer target for the settings file: arbitrary file content, one write.
//
// Input: byte 0 chooses how the key is picked and which section is used,
// byte 1 the key length, byte 2 the value length; then the key bytes, the
// value bytes, and the rest is the file's content. When bit 7 of byte 0 is
// set, the key is instead the name of one of the file's own key lines, so
// existing lines get replaced.
//
// Checked after every write: the outcome is Written, or Skipped exactly for an
// empty key or a value with a line break (file untouched); the key reads back
// as the value (cut to 127 bytes); every line the write did not target keeps
// its bytes, line break and order (one line replaced, or one key line, or a
// section line and a key line, inserted); other keys read as before; a second
// identical write changes nothing; no temporary file is left behind.

#include <algorithm>
#include <cstddef>
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

const std::filesystem::path& workFolder() {
    static const std::filesystem::path folder = [] {
        // The script names a folder it clears afterwards: libFuzzer's own exit
        // at the time limit skips atexit handlers.
        const char* given = std::getenv("MOXEL_FUZZ_WORK");
        const std::filesystem::path base = given != nullptr && *given != '\0' ? given
                                           : std::filesystem::exists("/dev/shm")
                                               ? "/dev/shm"
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "moxel-settings-fuzz-XXXXXX").string();
        check(mkdtemp(pattern.data()) != nullptr, "cannot create the work folder");
        std::atexit([] { std::filesystem::remove_all(workFolder()); });
        return std::filesystem::path(pattern);
    }();
    return folder;
}

void writeBytes(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    check(static_cast<bool>(out.flush()), "cannot write the input file");
}

std::string readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

struct Line {
    std::string_view text;
    std::string_view lineBreak;
};

constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::vector<Line> splitLines(std::string_view content) {
    if (content.starts_with(kBom)) {
        content.remove_prefix(kBom.size());
    }
    std::vector<Line> lines;
    while (!content.empty()) {
        const std::size_t newline = content.find('\n');
        if (newline == std::string_view::npos) {
            const std::size_t textEnd =
                content.ends_with('\r') ? content.size() - 1 : content.size();
            lines.push_back({content.substr(0, textEnd), content.substr(textEnd)});
            break;
        }
        const std::size_t textEnd =
            (newline > 0 && content[newline - 1] == '\r') ? newline - 1 : newline;
        lines.push_back(
            {content.substr(0, textEnd), content.substr(textEnd, newline + 1 - textEnd)});
        content.remove_prefix(newline + 1);
    }
    return lines;
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

// Names of the file's key-like lines, as the program would ask for them.
std::vector<std::string> keyNamesIn(const std::vector<Line>& lines) {
    std::vector<std::string> names;
    for (const Line& line : lines) {
        const std::string_view trimmed = trimBlanks(line.text);
        const std::size_t equals = line.text.find('=');
        if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[' ||
            equals == std::string_view::npos) {
            continue;
        }
        const std::string_view stored = trimBlanks(line.text.substr(0, equals));
        names.push_back(decodeKeyName(stored).value_or(std::string(stored)));
    }
    return names;
}

// The old lines must stand in the new content unchanged and in order, except
// for one replaced line or one or two inserted lines.
void checkOtherLinesKept(std::string_view before, std::string_view after) {
    check(before.starts_with(kBom) == after.starts_with(kBom), "byte-order mark changed");
    const std::vector<Line> oldLines = splitLines(before);
    const std::vector<Line> newLines = splitLines(after);
    check(newLines.size() >= oldLines.size() && newLines.size() <= oldLines.size() + 2,
          "line count changed by more than the write");
    const std::size_t added = newLines.size() - oldLines.size();
    // A last line without a full line break ("" or "\r") gets one when lines
    // are added after it.
    const auto sameLine = [](const Line& o, const Line& n, bool mayGainBreak) {
        return o.text == n.text && (o.lineBreak == n.lineBreak ||
                                    (mayGainBreak && o.lineBreak != "\n" && o.lineBreak != "\r\n" &&
                                     n.lineBreak.starts_with(o.lineBreak) && !n.lineBreak.empty()));
    };
    std::size_t prefix = 0;
    while (prefix < oldLines.size() && sameLine(oldLines[prefix], newLines[prefix],
                                                added > 0 && prefix + 1 == oldLines.size())) {
        ++prefix;
    }
    std::size_t suffix = 0;
    while (suffix < oldLines.size() - prefix &&
           sameLine(oldLines[oldLines.size() - 1 - suffix], newLines[newLines.size() - 1 - suffix],
                    false)) {
        ++suffix;
    }
    if (added == 0) {
        check(prefix + suffix + 1 >= oldLines.size(), "more than one line changed");
        if (prefix + suffix < oldLines.size()) {
            const Line& o = oldLines[prefix];
            const Line& n = newLines[prefix];
            check(o.lineBreak == n.lineBreak, "the replaced line lost its line break");
            const std::size_t equals = o.text.find('=');
            check(equals != std::string_view::npos &&
                      n.text.starts_with(o.text.substr(0, equals + 1)),
                  "the replaced line's key changed");
        }
    } else {
        check(prefix + suffix >= oldLines.size(), "old lines changed around an insertion");
        if (added == 2) {
            check(newLines[prefix].text.starts_with("["), "two lines added without a section");
        }
    }
}

void checkNoTemporaryFiles(const std::filesystem::path& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        check(entry.path().filename() == "setting.ini", "a temporary file was left behind");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto mode = static_cast<std::uint8_t>(input[0]);
    std::size_t keyLength = static_cast<std::uint8_t>(input[1]) % 40;
    std::size_t valueLength = static_cast<std::uint8_t>(input[2]);
    std::string_view rest = input.substr(3);
    keyLength = std::min(keyLength, rest.size());
    std::string key(rest.substr(0, keyLength));
    rest.remove_prefix(keyLength);
    valueLength = std::min(valueLength, rest.size());
    const std::string value(rest.substr(0, valueLength));
    rest.remove_prefix(valueLength);
    const std::string content(rest);

    const std::vector<Line> lines = splitLines(content);
    const std::vector<std::string> names = keyNamesIn(lines);
    if ((mode & 0x80) && !names.empty()) {
        key = names[(mode & 0x3F) % names.size()];
    }
    const std::string section = (mode & 0x40) ? "S" : std::string(kSettingsSection);

    const std::filesystem::path& folder = workFolder();
    const std::filesystem::path file = folder / "setting.ini";
    writeBytes(file, content);

    std::vector<std::string> before;
    for (const std::string& name : names) {
        before.push_back(readProfileString(section, name, "\x01missing", file));
    }
    readProfileInt(section, key, -7, file);

    const WriteOutcome outcome = writeProfileString(section, key, value, file);
    check(outcome.status != WriteOutcome::Status::Failed, "a write failed in a writable folder");
    const std::string after = readBytes(file);
    checkNoTemporaryFiles(folder);
    if (outcome.status == WriteOutcome::Status::Skipped) {
        check(key.empty() || !valueFitsOnLine(value), "a storable write was skipped");
        check(after == content, "a skipped write changed the file");
        check(!outcome.reason.empty(), "a skipped write gave no reason");
        return 0;
    }
    check(!key.empty() && valueFitsOnLine(value), "an unstorable write was done");

    const std::string_view expected = cutToProfileLimit(value);
    check(readProfileString(section, key, "\x01missing", file) == expected &&
              readProfileString(section, key, "\x02missing", file) == expected,
          "the written key does not read back as the value");
    check(readProfileInt(section, key, -7, file) == parseProfileInt(expected),
          "the written key does not read back as the number");
    checkOtherLinesKept(content, after);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!equalsIgnoringAsciiCase(names[i], key)) {
            check(readProfileString(section, names[i], "\x01missing", file) == before[i],
                  "another key changed");
        }
    }

    check(writeProfileString(section, key, value, file).ok(), "the second write failed");
    check(readBytes(file) == after, "writing the same value again changed the file");
    return 0;
}
