#include <gtest/gtest.h>

#include <string>

#include "platform/PathBuffer.h"
#include "platform/Utf8.h"

namespace {

const std::string kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Through UTF-16 and back: well-formed text comes back unchanged, and each
// byte that begins no well-formed sequence becomes one U+FFFD.
TEST(Utf8, MalformedBytesBecomeReplacementCharacters) {
    struct Case {
        const char* what;
        std::string utf8;
        std::string back;
        size_t units;
    };
    const std::string emoji = "\xF0\x9F\x8C\x84";  // U+1F304, a surrogate pair in UTF-16
    const Case cases[] = {
        {"ASCII", "C:\\a.bmp", "C:\\a.bmp", 8},
        {"Greek", "\xCE\xA9\xCE\xBC", "\xCE\xA9\xCE\xBC", 2},
        {"Chinese", "\xE8\xA1\xA8", "\xE8\xA1\xA8", 1},
        {"emoji", emoji, emoji, 2},
        {"stray continuation", "a\x80", "a" + kReplacement, 2},
        {"overlong slash", "\xC0\xAF", kReplacement + kReplacement, 2},
        {"encoded surrogate", "\xED\xA0\x80", kReplacement + kReplacement + kReplacement, 3},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", kReplacement + kReplacement + kReplacement + kReplacement, 4},
        {"cut off", "\xE8\xA1", kReplacement + kReplacement, 2},
        {"cut off before ASCII", "\xE8\xA1z", kReplacement + kReplacement + "z", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(platform::narrow(platform::widen(c.utf8)), c.back);
        EXPECT_EQ(platform::utf16Length(c.utf8), c.units);
        if (sizeof(wchar_t) == 2) {
            EXPECT_EQ(platform::widen(c.utf8).size(), c.units);
        }
    }
}

TEST(Utf8, UnpairedSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(platform::narrow(std::wstring{wchar_t(0xD83C), L'a'}), kReplacement + "a");
    EXPECT_EQ(platform::narrow(std::wstring{L'a', wchar_t(0xDF04)}), "a" + kReplacement);
    EXPECT_EQ(platform::narrow(std::wstring{wchar_t(0xDF04), wchar_t(0xD83C)}), kReplacement + kReplacement);
}

// A path is cut to the path buffer only between characters.
TEST(Utf8, PathsAreCutBetweenCharacters) {
    std::string chinese;
    for (int i = 0; i < 1300; ++i) chinese += "\xE8\xA1\xA8";
    EXPECT_FALSE(platform::fitsPathBuffer(chinese));
    EXPECT_EQ(platform::fittingPathLength(chinese), 1299u * 3);
    EXPECT_TRUE(platform::fitsPathBuffer(chinese.substr(0, 1299 * 3)));
    // 649 pairs and one more unit: the last pair would make 1300.
    std::string emoji(1, 'a');
    for (int i = 0; i < 650; ++i) emoji += "\xF0\x9F\x8C\x84";
    EXPECT_EQ(platform::fittingPathLength(emoji), 1u + 649 * 4);
    EXPECT_EQ(platform::utf8PrefixWithin("a\xE8\xA1\xA8", 1), 1u);
    EXPECT_EQ(platform::utf8PrefixWithin("\xF0\x9F\x8C\x84", 1), 0u);
}

}  // namespace
