// The texts in both languages, the language a locale asks for, and the menu
// in the language chosen.
#include "app/window/Texts.h"

#include <gtest/gtest.h>

#include "app/window/MenuTree.h"

namespace moxel {
namespace {

TEST(Texts, EveryTextHasBothLanguagesWithTheSamePlaceholders) {
    for (int i = 0; i < static_cast<int>(Text::Count); ++i) {
        const auto id = static_cast<Text>(i);
        const std::string_view ja = text(id, Language::Japanese), en = text(id, Language::English);
        EXPECT_FALSE(ja.empty() || en.empty()) << i;
        EXPECT_EQ(ja.find("{}") == std::string_view::npos, en.find("{}") == std::string_view::npos)
            << i;
    }
    EXPECT_EQ(text(Text::NotConnectedTip, "synth:in"),
              std::string(text(Text::NotConnectedTip))
                  .replace(text(Text::NotConnectedTip).find("{}"), 2, "synth:in"));
}

TEST(Texts, TheEnvironmentChoosesTheLanguageAsGettextDoes) {
    const struct {
        const char *language, *all, *messages, *lang;
        Language expected;
    } cases[] = {
        {nullptr, nullptr, nullptr, "ja_JP.UTF-8", Language::Japanese},
        {"", "", "", "ja", Language::Japanese},
        {nullptr, "en_US.UTF-8", nullptr, "ja_JP.UTF-8", Language::English},  // LC_ALL first
        {nullptr, nullptr, "ja_JP.UTF-8", "de_DE.UTF-8", Language::Japanese}, // then LC_MESSAGES
        {nullptr, nullptr, nullptr, "C", Language::English},
        {nullptr, nullptr, nullptr, nullptr, Language::English},
        // LANGUAGE comes before the locale: its first entry Moxel speaks decides.
        {"ja:en", "en_US.UTF-8", nullptr, nullptr, Language::Japanese},
        {"de:en_GB:ja", nullptr, nullptr, "ja_JP.UTF-8", Language::English},
        {"::ja_JP", nullptr, nullptr, "C.UTF-8", Language::Japanese},
        {"fr:de", nullptr, nullptr, "ja_JP.UTF-8", Language::Japanese}, // none: the locale
        // ... except in the C locale, or without any locale set.
        {"ja", "C", nullptr, "ja_JP.UTF-8", Language::English},
        {"ja", nullptr, "POSIX", nullptr, Language::English},
        {"ja", nullptr, nullptr, nullptr, Language::English}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        EXPECT_EQ(languageOfLocale(c.language, c.all, c.messages, c.lang), c.expected)
            << "case " << i;
    }
}

TEST(Texts, TheWindowsDisplayLanguageChoosesJapaneseOnlyForJapanese) {
    // ja-JP, Japanese with another region number, en-US, zh-TW, the neutral id
    const std::pair<unsigned short, Language> cases[] = {{0x0411, Language::Japanese},
                                                         {0x0811, Language::Japanese},
                                                         {0x0409, Language::English},
                                                         {0x0404, Language::English},
                                                         {0x0000, Language::English}};
    for (const auto& [id, expected] : cases) {
        EXPECT_EQ(languageOfWindowsLanguageId(id), expected) << id;
    }
}

TEST(Texts, TheMenuIsInTheLanguageChosen) {
    for (const Language in : {Language::English, Language::Japanese}) {
        setLanguage(in);
        EXPECT_EQ(mainMenu().children.back().caption, text(Text::MenuExit, in));
        EXPECT_EQ(mainMenu().children.front().children.front().caption,
                  text(Text::MenuReFindIn, in));
    }
}

} // namespace
} // namespace moxel
