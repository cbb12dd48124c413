#include "settings/ProfileText.h"

#include <algorithm>

#include <cstddef>
#include <vector>

#include "settings/KeyEncoding.h"
#include "settings/ProfileValue.h"

namespace moxel {

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return std::ranges::equal(a, b, [&](char x, char y) { return lower(x) == lower(y); });
}

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// One line of the content: [begin, textEnd) is its text, [textEnd, end) its
// line break: "\r\n", "\n" or "\r" (all three end a line, also mixed in one
// file), or nothing for a last line without one.
struct Line {
    std::size_t begin = 0;
    std::size_t textEnd = 0;
    std::size_t end = 0;
};

std::size_t bodyStart(std::string_view content) {
    return content.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
}

// The line break that starts at pos: "\r\n", "\n", "\r", or "" for none.
std::string_view lineBreakAt(std::string_view content, std::size_t pos) {
    if (pos >= content.size()) {
        return {};
    }
    if (content[pos] == '\r') {
        return content.substr(pos, pos + 1 < content.size() && content[pos + 1] == '\n' ? 2 : 1);
    }
    return content[pos] == '\n' ? content.substr(pos, 1) : std::string_view{};
}

std::vector<Line> splitLines(std::string_view content) {
    std::vector<Line> lines;
    std::size_t pos = bodyStart(content);
    while (pos < content.size()) {
        const std::size_t textEnd = std::min(content.find_first_of("\r\n", pos), content.size());
        lines.push_back({pos, textEnd, textEnd + lineBreakAt(content, textEnd).size()});
        pos = lines.back().end;
    }
    return lines;
}

// The file's own line break (its first one), "\r\n" for a file without any.
std::string_view lineBreakOf(std::string_view content) {
    const std::size_t first = content.find_first_of("\r\n", bodyStart(content));
    return first == std::string_view::npos ? "\r\n" : lineBreakAt(content, first);
}

// The section name of a "[name]" line, or nullopt for other lines.
std::optional<std::string_view> sectionNameOf(std::string_view text) {
    text = trimBlanks(text);
    if (text.empty() || text.front() != '[') {
        return std::nullopt;
    }
    text.remove_prefix(1);
    const std::size_t close = text.find(']');
    if (close != std::string_view::npos) {
        text = text.substr(0, close);
    }
    return trimBlanks(text);
}

// A "key=value" line: the stored key and where the value text begins.
struct KeyLine {
    std::string_view storedKey;
    std::size_t valueOffset = 0; // in the line's text, after "=" and blanks
};

std::optional<KeyLine> keyLineOf(std::string_view text) {
    const std::string_view trimmed = trimBlanks(text);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[') {
        return std::nullopt;
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t valueOffset = equals + 1;
    while (valueOffset < text.size() && isBlank(text[valueOffset])) {
        ++valueOffset;
    }
    return KeyLine{trimBlanks(text.substr(0, equals)), valueOffset};
}

bool storedKeyMatches(std::string_view storedKey, std::string_view key) {
    const std::optional<std::string> name = decodeKeyName(storedKey);
    return name && equalsIgnoringAsciiCase(*name, key);
}

// Where a section and a key stand in the content.
struct Location {
    std::optional<std::size_t> keyLine;            // first line holding the key
    std::optional<std::size_t> valueOffset;        // of that line's value text
    std::optional<std::size_t> lastOfFirstSection; // last non-blank line of the
                                                   // section's first part
};

Location locate(std::string_view content, const std::vector<Line>& lines, std::string_view section,
                std::string_view key) {
    Location where;
    bool inSection = false;
    bool inFirstPart = false;
    bool seenSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view text =
            content.substr(lines[i].begin, lines[i].textEnd - lines[i].begin);
        if (const auto name = sectionNameOf(text)) {
            inSection = equalsIgnoringAsciiCase(*name, section);
            inFirstPart = inSection && !seenSection;
            if (inFirstPart) {
                seenSection = true;
                where.lastOfFirstSection = i;
            }
            continue;
        }
        if (inFirstPart && !trimBlanks(text).empty()) {
            where.lastOfFirstSection = i;
        }
        if (!inSection || where.keyLine) {
            continue;
        }
        if (const auto keyLine = keyLineOf(text)) {
            if (storedKeyMatches(keyLine->storedKey, key)) {
                where.keyLine = i;
                where.valueOffset = keyLine->valueOffset;
            }
        }
    }
    return where;
}

} // namespace

bool isStorableSectionName(std::string_view section) {
    return !section.empty() && trimBlanks(section).size() == section.size() &&
           section.find_first_of("]\r\n") == std::string_view::npos;
}

std::optional<std::string> findProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key) {
    const std::vector<Line> lines = splitLines(content);
    const Location where = locate(content, lines, section, key);
    if (!where.keyLine) {
        return std::nullopt;
    }
    const Line& line = lines[*where.keyLine];
    const std::string_view text = content.substr(line.begin, line.textEnd - line.begin);
    return std::string(valueFromLine(text.substr(*where.valueOffset)));
}

std::string setProfileValue(std::string_view content, std::string_view section,
                            std::string_view key, std::string_view value) {
    const std::vector<Line> lines = splitLines(content);
    const Location where = locate(content, lines, section, key);
    const std::string valueText = valueForLine(value);
    std::string out;
    out.reserve(content.size() + section.size() + key.size() * 3 + valueText.size() + 16);

    if (where.keyLine) {
        const Line& line = lines[*where.keyLine];
        out.append(content.substr(0, line.begin + *where.valueOffset));
        out.append(valueText);
        out.append(content.substr(line.textEnd));
        return out;
    }

    const std::string_view lineBreak = lineBreakOf(content);
    std::string added;
    std::size_t insertAt = content.size();
    if (where.lastOfFirstSection) {
        insertAt = lines[*where.lastOfFirstSection].end;
    } else {
        added.append("[").append(section).append("]").append(lineBreak);
    }
    added.append(encodeKeyName(key)).append("=").append(valueText).append(lineBreak);

    out.append(content.substr(0, insertAt));
    // A last line without a line break gets one before the added lines.
    if (insertAt > bodyStart(content) && content[insertAt - 1] != '\n' &&
        content[insertAt - 1] != '\r') {
        out.append(lineBreak);
    }
    out.append(added);
    out.append(content.substr(insertAt));
    return out;
}

} // namespace moxel
