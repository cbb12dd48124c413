#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace moxel {

// Key names in setting.ini are device names, and a device may report a name
// that an INI line cannot carry as it is: one containing "=" or a line break,
// one beginning with "[" or ";" (it would read as a section or a comment), or
// one with blanks (space, tab, U+3000) at either end (a reader strips them).
//
// Such a name is stored encoded: a "%" followed by the name, in which every
// "%", "=", control byte (CR, LF, tab, NUL, ...) and DEL, and every space or
// U+3000 of a leading or trailing blank run, is written as "%XX" (two
// upper-case hex digits per byte). A name that itself begins with "%" is
// encoded too, so a plain stored name never begins with "%" and no plain name
// can be mistaken for an encoded one. Example: "Synth " is stored as
// "%Synth%20", "A=B" as "%A%3DB".

// True when the name cannot be stored as it is.
bool keyNameNeedsEncoding(std::string_view name);

// The name as it is stored in the file (unchanged when it needs no encoding).
std::string encodeKeyName(std::string_view name);

// The name that a stored key stands for: the stored text itself, or, when it
// begins with "%", its decoded form; nullopt when a "%" name is not a valid
// encoding (such a line matches no key).
std::optional<std::string> decodeKeyName(std::string_view stored);

} // namespace moxel
