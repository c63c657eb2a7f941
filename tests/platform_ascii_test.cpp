#include "platform/ascii.h"

#include <cctype>
#include <gtest/gtest.h>

namespace {

namespace ascii = platform::ascii;

TEST(AsciiTest, TrimTakesOnlyTheBlanksItIsGiven) {
    struct Case {
        std::string_view text, blanks, expected;
    };
    const Case cases[] = {
        {" \tkey = value\t ", " \t", "key = value"},
        {"e=/media/ipod\r", " \t", "e=/media/ipod\r"},
        {"e=/media/ipod\r", " \t\r\n", "e=/media/ipod"},
        {" \t ", " \t", ""},
        {"", " \t", ""},
        {"\xC2\xA0x", " \t", "\xC2\xA0x"}, // a no-break space is no ASCII blank
    };
    for (const Case& item : cases)
        EXPECT_EQ(ascii::Trim(item.text, item.blanks), item.expected) << item.text;
}

TEST(AsciiTest, HexDigitsOfEitherCase) {
    const std::string_view digits = "0123456789abcdef";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        EXPECT_EQ(ascii::HexDigit(digits[i]), static_cast<int>(i));
        EXPECT_EQ(ascii::HexDigit(static_cast<char>(std::toupper(digits[i]))), static_cast<int>(i));
    }
    for (const char other : {'g', 'G', ' ', '/', ':', '@', '`', '\xFF'})
        EXPECT_EQ(ascii::HexDigit(other), -1) << other;
}

TEST(AsciiTest, OnlyAsciiLettersHaveACase) {
    EXPECT_EQ(ascii::FoldCase("Software\\QUILLMERE [Ä]"), "software\\quillmere [Ä]");
    EXPECT_TRUE(ascii::SameNoCase("ERROR log", "error LOG"));
    EXPECT_FALSE(ascii::SameNoCase("Ä", "ä")); // the locale's business, not this one's
    EXPECT_FALSE(ascii::SameNoCase("Visible", "Visibl"));
    EXPECT_FALSE(ascii::SameNoCase("@", "`")); // one apart from the letters' case distance
}

} // namespace
