#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace moxel {

// The content of an INI file, handled as bytes: any encoding (UTF-8,
// Shift-JIS, broken sequences) passes through untouched.
//
// Lines end in "\r\n", "\n" or a lone "\r", alike, even mixed in one file;
// added lines end the way the file's first line does. A UTF-8 byte-order mark
// at the start is skipped for reading and kept on writing. A line whose first non-blank character
// is
// "[" opens a section (name up to "]", blanks around it dropped); a line
// whose first non-blank character is ";" is a comment; a line with "=" in a
// section is a key, named by the text before the first "=" without the blanks
// around it (see KeyEncoding.h for names stored with a "%"). Every other line
// is kept and otherwise ignored. Section and key names match without regard
// to ASCII letter case. A section may appear more than once; its keys are
// looked up through all its parts in file order, the first match wins.

// Whether two section or key names match: equal but for ASCII letter case.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

// The value of the key (see ProfileValue.h), or nullopt when the section or
// the key is missing. Not yet cut to the value limit.
std::optional<std::string> findProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key);

// The content with the key set to the value, every other line kept byte for
// byte. The first line holding the key gets the new value (the text up to the
// value stays as it was); a missing key is added after the last non-blank line
// of the section's first part; a missing section is added at the end. Added
// lines end the way the file's first line ends ("\r\n" for a file without
// line breaks). The key must be non-empty, and the section and the value must
// fit on a line (isStorableSectionName(), valueFitsOnLine()).
std::string setProfileValue(std::string_view content, std::string_view section,
                            std::string_view key, std::string_view value);

// False for a section name that a "[name]" line cannot carry: empty, holding
// "]" or a line break, or with blanks at either end.
bool isStorableSectionName(std::string_view section);

} // namespace moxel
