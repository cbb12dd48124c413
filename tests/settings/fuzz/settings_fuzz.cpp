// libFuzzer target for the settings file: arbitrary file content, one write. Byte 0
// picks the section ("S" when bit 6 is set) and, when bit 7 is set, one of the file's
// own keys as the key; bytes 1 and 2 are the lengths of key (mod 40) and value, which
// come next, then the content. Checked: the write is Skipped, file untouched, exactly
// for an empty key or a value with a line break, else Written; the key reads back as
// the value cut to 127 bytes, other keys as before; the bytes of other lines stay as
// they were; the same write again changes nothing; no temporary file is left behind.
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

// A fresh folder inside the one the script names (and clears afterwards).
const std::filesystem::path& workFolder() {
    static const std::filesystem::path folder = [] {
        const char* given = std::getenv("MOXEL_FUZZ_WORK");
        std::string pattern = std::string(given != nullptr ? given : "/tmp") + "/moxel-fuzz-XXXXXX";
        check(mkdtemp(pattern.data()) != nullptr, "cannot create the work folder");
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

// Names of the file's key lines, as the program asks for them.
std::vector<std::string> keyNamesIn(std::string_view content) {
    std::vector<std::string> names;
    while (!content.empty()) {
        const std::string_view line = content.substr(0, content.find('\n'));
        content.remove_prefix(std::min(line.size() + 1, content.size()));
        const std::string_view text = trimBlanks(line);
        const std::size_t equals = line.find('=');
        if (!text.empty() && text[0] != ';' && text[0] != '[' && equals != std::string::npos) {
            const std::string_view stored = trimBlanks(line.substr(0, equals));
            names.push_back(decodeKeyName(stored).value_or(std::string(stored)));
        }
    }
    return names;
}

// Apart from a byte-order mark, which stays as it was, the old and new content share
// all but one stretch: part of one line of the old, its line break left alone, or,
// where lines are added (up to three line breaks: a missing last one, section, key),
// nothing of the old.
void checkOtherLinesKept(std::string_view before, std::string_view after) {
    check(before.starts_with("\xEF\xBB\xBF") == after.starts_with("\xEF\xBB\xBF"), "BOM changed");
    std::size_t prefix = 0, suffix = 0;
    while (prefix < std::min(before.size(), after.size()) && before[prefix] == after[prefix]) {
        ++prefix;
    }
    while (suffix < std::min(before.size(), after.size()) - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
        ++suffix;
    }
    const std::string_view was = before.substr(prefix, before.size() - prefix - suffix);
    const std::string_view is = after.substr(prefix, after.size() - prefix - suffix);
    const auto breaks = std::ranges::count(is, '\n');
    const std::size_t end = prefix + was.size(); // a "\r" there would end its line
    check(was.find('\n') == std::string_view::npos &&
              !(was.ends_with('\r') && (end == before.size() || before[end] == '\n')),
          "more than one line or a line break changed");
    check(breaks <= 3 && (breaks == 0 || was.empty()), "old lines changed around added lines");
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
    const std::vector<std::string> names = keyNamesIn(content);
    if ((data[0] & 0x80) != 0 && !names.empty()) {
        key = names[(data[0] & 0x3F) % names.size()];
    }
    const std::string section = (data[0] & 0x40) != 0 ? "S" : std::string(kSettingsSection);
    const std::filesystem::path file = workFolder() / "setting.ini";
    const auto read = [&](const std::string& name, const char* missing = "\x01missing") {
        return readProfileString(section, name, missing, file);
    };

    std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
    check(readBytes(file) == content, "cannot write the input file");
    std::vector<std::string> before;
    std::ranges::transform(names, std::back_inserter(before), read);

    const WriteOutcome outcome = writeProfileString(section, key, value, file);
    const std::string after = readBytes(file);
    for (const auto& entry : std::filesystem::directory_iterator(workFolder())) {
        check(entry.path() == file, "a temporary file was left behind");
    }
    if (key.empty() || !valueFitsOnLine(value)) {
        check(outcome.status == WriteOutcome::Status::Skipped && after == content &&
                  !outcome.reason.empty(),
              "an unstorable write was not skipped, or changed the file, or gave no reason");
        return 0;
    }
    check(outcome.ok(), "a storable write failed or was skipped");
    const std::string_view expected = cutToProfileLimit(value);
    check(read(key) == expected && read(key, "\x02missing") == expected &&
              readProfileInt(section, key, -7, file) == parseProfileInt(expected),
          "the written key does not read back as the value");
    checkOtherLinesKept(content, after);
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < names.size(); ++i) {
        check(std::ranges::equal(names[i], key, {}, lower, lower) || read(names[i]) == before[i],
              "another key changed");
    }
    check(writeProfileString(section, key, value, file).ok() && readBytes(file) == after,
          "writing the same value again changed the file");
    return 0;
}
