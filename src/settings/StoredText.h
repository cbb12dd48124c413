#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "settings/AtomicFile.h"

namespace moxel {

// setting.ini's bytes and the text Moxel reads in them. Moxel handles all
// text as UTF-8; the file holds it as follows.
//
// On Linux the file is UTF-8 and its bytes are the text (a byte-order mark
// included, which the INI reader skips and a write keeps).
//
// On Windows the file is shared with programs that read and write it in the
// system's ANSI code page (Shift-JIS on a Japanese system). Reading: a UTF-8
// byte-order mark means UTF-8; without one the bytes are in the ANSI code
// page, also when they happen to be well-formed UTF-8 too (half-width kana
// such as C3 BD), since Moxel writes UTF-8 only with the mark. Writing: the
// whole file goes in the ANSI code page when every character has an exact form
// there, else the whole file goes as UTF-8 with a byte-order mark, so no name
// is ever stored as a different one. A file in the ANSI code page is
// rewritten only when its bytes read back the same (a write keeps every
// other line byte for byte); one holding bytes that are no text there is
// left as it is.
//
// The 127-byte value limit counts the bytes the file stores: a value of a
// file in the ANSI code page reads as its first 127 bytes there (Shift-JIS:
// up to 63 kanji), as a program reading the code page finds it; cut before a
// character that would not fit whole.

enum class StoredEncoding { Utf8, AnsiCodePage };

struct StoredText {
    std::string text; // UTF-8 (on Windows without the byte-order mark)
    StoredEncoding encoding = StoredEncoding::Utf8;
};

// The text the file's bytes hold.
StoredText textFromStoredBytes(std::string_view bytes);

// The bytes that store text.
std::string storedBytesFromText(std::string_view text);

// Refuses to rewrite a file whose bytes a rewrite would change where it
// changes no text (Windows: bytes in the ANSI code page that do not read back
// the same). stored is what textFromStoredBytes() made of bytes.
FileResult checkRewritable(const std::filesystem::path& file, std::string_view bytes,
                           const StoredText& stored);

// The value (UTF-8) as read through the 127-byte limit of a file stored in
// that encoding, never splitting a character.
std::string_view cutToStoredLimit(std::string_view value, StoredEncoding encoding);

} // namespace moxel
