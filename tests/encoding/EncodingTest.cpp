// UTF-8 to UTF-16 and back, and paths from UTF-8 text.
#include <gtest/gtest.h>

#include <string>

#include "encoding/Utf16.h"
#include "encoding/Utf8Path.h"

namespace moxel {
namespace {

TEST(Utf16, ConvertsEveryCharacterAndReplacesWhatIsNoCharacter) {
    struct Case {
        std::string utf8;
        std::u16string utf16;
        bool roundTrip;
    };
    const Case cases[] = {
        {"Synth 1", u"Synth 1", true},
        {"\xE3\x83\xA4\xE3\x83\x9E\xE3\x83\x8F", u"\u30E4\u30DE\u30CF", true}, // ヤマハ
        {"\xC3\xA9\xE3\x80\x80", u"\u00E9\u3000", true},
        {"\xF0\x9F\x8E\xB9", u"\xD83C\xDFB9", true}, // U+1F3B9, a surrogate pair
        {"a\xFF"
         "b",
         u"a\uFFFD"
         "b",
         false},                                                  // no lead byte
        {"\xC0\xAF", u"\uFFFD\uFFFD", false},                     // overlong "/"
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", false},           // a surrogate in UTF-8
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", false}, // above U+10FFFF
        {"\xE3\x81", u"\uFFFD\uFFFD", false},                     // cut short
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf16FromUtf8(c.utf8), c.utf16) << c.utf8;
        if (c.roundTrip) {
            EXPECT_EQ(utf8FromUtf16(c.utf16), c.utf8);
        }
    }
    // Unpaired surrogates in UTF-16 become U+FFFD in UTF-8.
    EXPECT_EQ(utf8FromUtf16(u"\xD800x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(utf8FromUtf16(u"x\xDC00"), "x\xEF\xBF\xBD");
    EXPECT_EQ(utf8FromUtf16(u"\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Utf8Path, KeepsEveryCharacterOfANameWhateverTheCodePage) {
    const std::string name = "\xE8\xA8\xAD\xE5\xAE\x9A \xC3\xA9.ini"; // 設定 é.ini
    const std::filesystem::path path = pathFromUtf8(name);
#ifdef _WIN32
    EXPECT_EQ(path.native(), L"\u8A2D\u5B9A \u00E9.ini");
#else
    EXPECT_EQ(path.native(), name);
#endif
    EXPECT_EQ(utf8FromPath(path), name);
    constexpr auto separator = static_cast<char>(std::filesystem::path::preferred_separator);
    EXPECT_EQ(utf8FromPath(pathFromUtf8("dir") / path), "dir" + std::string(1, separator) + name);
}

} // namespace
} // namespace moxel
