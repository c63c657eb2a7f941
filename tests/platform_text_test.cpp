#include "platform/error.h"
#include "platform/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using platform::text::AnsiToWide;
using platform::text::CompareNoCase;
using platform::text::NoCaseSortKey;
using platform::text::SetUserLocale;
using platform::text::WideToAnsi;

int Sign(int value) {
    return (value > 0) - (value < 0);
}

std::tm LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

// Switches the locale for one test and goes back to the test main's en_US afterwards.
class TextLocaleTest : public testing::Test {
protected:
    void TearDown() override { SetUserLocale("en_US"); }
};

// --- Conversions -----------------------------------------------------------------------------

struct WideCase {
    const char* name;
    std::u16string wide;
    std::string ansi;
};

TEST(TextConversion, WideToAnsiEncodesEveryCharacterAndReplacesUnpairedSurrogates) {
    const WideCase cases[] = {
        {"ascii", u"Track 01.mp3", "Track 01.mp3"},
        {"latin and euro", u"Beyonc\u00e9 \u20ac", "Beyonc\xC3\xA9 \xE2\x82\xAC"},
        {"surrogate pair", u"a\xD83D\xDE00z", "a\xF0\x9F\x98\x80z"},
        {"lone high surrogate", u"a\xD83Dz", "a?z"},
        {"lone low surrogate", u"a\xDE00z", "a?z"},
        {"high surrogate at the end", u"ab\xD83D", "ab?"},
        {"pair in the wrong order", std::u16string(u"\xDE00\xD83D"), "??"},
        {"embedded zero", std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
        {"empty", u"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WideToAnsi(c.wide), c.ansi) << c.name;
}

TEST(TextConversion, AnsiToWideDecodesAndReplacesMalformedSequences) {
    const WideCase cases[] = {
        {"ascii", u"Track 01.mp3", "Track 01.mp3"},
        {"four-byte character", u"a\xD83D\xDE00z", "a\xF0\x9F\x98\x80z"},
        {"stray continuation byte", u"a\xFFFDz", "a\x80z"},
        {"invalid byte", u"a\xFFFDz", "a\xFFz"},
        {"truncated at the end", u"ab\xFFFD", "ab\xE2\x82"},
        {"truncated before ascii", u"a\xFFFDz", "a\xE2\x82z"},
        {"encoded surrogate", u"\xFFFD\xFFFD\xFFFD", "\xED\xA0\x80"},
        {"overlong slash", u"\xFFFD\xFFFD", "\xC0\xAF"},
        {"embedded zero", std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
        {"empty", u"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AnsiToWide(c.ansi), c.wide) << c.name;
}

TEST(TextConversion, WellFormedTextSurvivesARoundTrip) {
    const std::u16string wide = u"\u00c5ngstr\u00f6m \u65e5\u672c \xD83C\xDFB5 \u0130stanbul";
    EXPECT_EQ(AnsiToWide(WideToAnsi(wide)), wide);
}

// --- Comparison --------------------------------------------------------------------------------

struct CompareCase {
    const char* a;
    const char* b;
    int expected;
};

TEST(TextCompare, IgnoresCaseButNotAccents) {
    const CompareCase cases[] = {
        {"abc", "ABC", 0},
        {"Hello World", "hELLO wORLD", 0},
        {"\u00e9t\u00e9", "\u00c9T\u00c9", 0}, // accented capitals fold onto their small letters
        {"Beyonc\u00e9", "Beyonce", 1},        // the accent counts
        {"resume", "r\u00e9sum\u00e9", -1},
        {"apple", "Banana", -1}, // alphabetical, not code order
        {"Zebra", "apple", 1},
        {"", "a", -1},
        {"", "", 0},
        {"abc", "abcd", -1},
        {"Track 9", "track 9", 0},
        {"e\u0301", "\u00e9", 0}, // decomposed and precomposed are the same letter
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CompareNoCase(c.a, c.b), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(CompareNoCase(c.b, c.a), -c.expected) << c.b << " vs " << c.a;
        EXPECT_EQ(platform::text::SameNoCase(c.a, c.b), c.expected == 0) << c.a << " vs " << c.b;
    }
}

TEST(TextCompare, MalformedTextComparesWithoutFailing) {
    EXPECT_EQ(CompareNoCase("a\xFFz", "A\xFFZ"), 0);
    EXPECT_NE(CompareNoCase("a\xFFz", "az"), 0);
}

TEST(TextCompare, SortKeysOrderAsTheComparisonDoes) {
    const std::vector<std::string> texts = {"",
                                            "a",
                                            "A",
                                            "ab",
                                            "Ab",
                                            "b",
                                            "\u00e9",
                                            "e",
                                            "E",
                                            "\u00c9",
                                            "Beyonc\u00e9",
                                            "beyonce",
                                            "BEYONCE",
                                            "Track 10",
                                            "track 9",
                                            "zebra",
                                            "\u00c5ngstr\u00f6m",
                                            "angstrom",
                                            "a b",
                                            "a-b",
                                            "\u65e5\u672c",
                                            "\xF0\x9F\x8E\xB5",
                                            "x\xFFy"};
    for (const auto& a : texts) {
        const std::string keyA = NoCaseSortKey(a);
        EXPECT_EQ(keyA.find('\0'), std::string::npos) << a;
        for (const auto& b : texts)
            EXPECT_EQ(Sign(keyA.compare(NoCaseSortKey(b))), CompareNoCase(a, b))
                << a << " vs " << b;
    }
}

TEST_F(TextLocaleTest, ComparisonFollowsTheUserLocale) {
    // German sorts o-umlaut with o, Swedish after z.
    SetUserLocale("de_DE");
    EXPECT_LT(CompareNoCase("\u00f6l", "zebra"), 0);
    EXPECT_EQ(CompareNoCase("\u00d6L", "\u00f6l"), 0);
    SetUserLocale("sv_SE");
    EXPECT_GT(CompareNoCase("\u00f6l", "zebra"), 0);
    EXPECT_GT(NoCaseSortKey("\u00f6l"), NoCaseSortKey("zebra"));
    EXPECT_EQ(CompareNoCase("\u00d6L", "\u00f6l"), 0);
}

TEST_F(TextLocaleTest, SortingManyNamesMatchesSortingTheirKeys) {
    SetUserLocale("de_DE");
    std::vector<std::string> names;
    const char* stems[] = {"\u00c4rger", "arger",   "Zoo",         "zo\u00f6", "M\u00fcller",
                           "MULLER",     "mueller", "\u00e9clair", "Eclair"};
    for (int i = 0; i < 200; ++i)
        names.push_back(std::string(stems[i % 9]) + " " + std::to_string(i % 13));
    auto byCompare = names;
    std::stable_sort(byCompare.begin(), byCompare.end(),
                     [](const auto& a, const auto& b) { return CompareNoCase(a, b) < 0; });
    auto byKey = names;
    std::stable_sort(byKey.begin(), byKey.end(), [](const auto& a, const auto& b) {
        return NoCaseSortKey(a) < NoCaseSortKey(b);
    });
    EXPECT_EQ(byCompare, byKey);
}

// --- Case mapping ------------------------------------------------------------------------------

TEST_F(TextLocaleTest, CaseMappingFollowsTheLocaleButFoldingDoesNot) {
    using platform::text::FoldCase;
    using platform::text::ToLower;
    using platform::text::ToUpper;
    EXPECT_EQ(ToUpper("istanbul \u00e9t\u00e9"), "ISTANBUL \u00c9T\u00c9");
    EXPECT_EQ(ToLower("ISTANBUL \u00c9T\u00c9"), "istanbul \u00e9t\u00e9");
    EXPECT_EQ(ToUpper("stra\u00dfe"), "STRASSE");
    EXPECT_EQ(FoldCase("Stra\u00dfe"), FoldCase("STRASSE"));
    EXPECT_EQ(FoldCase("iTunesDB"), "itunesdb");

    SetUserLocale("tr_TR");
    EXPECT_EQ(ToUpper("istanbul"), "\u0130STANBUL");
    EXPECT_EQ(ToLower("I"), "\u0131");
    EXPECT_EQ(FoldCase("ITUNESDB"), "itunesdb");
}

// --- Formats -----------------------------------------------------------------------------------

struct FormatCase {
    const char* locale;
    std::tm time;
    const char* date;
    const char* timeOfDay;
};

TEST_F(TextLocaleTest, ShortDateAndLongTimeAreWindowsStyle) {
    const FormatCase cases[] = {
        {"en_US", LocalTime(2024, 12, 9, 15, 54, 12), "12/9/2024", "3:54:12 PM"},
        {"en_US", LocalTime(2024, 12, 9, 0, 0, 0), "12/9/2024", "12:00:00 AM"},
        {"en_US", LocalTime(2025, 1, 1, 12, 0, 5), "1/1/2025", "12:00:05 PM"},
        {"en_US", LocalTime(1999, 2, 28, 23, 59, 59), "2/28/1999", "11:59:59 PM"},
        {"de_DE", LocalTime(2024, 12, 9, 15, 54, 12), "09.12.2024", "15:54:12"},
        {"de_DE", LocalTime(2024, 2, 29, 0, 0, 0), "29.02.2024", "00:00:00"},
    };
    for (const auto& c : cases) {
        SetUserLocale(c.locale);
        EXPECT_EQ(platform::text::ShortDate(c.time), c.date) << c.locale;
        EXPECT_EQ(platform::text::LongTime(c.time), c.timeOfDay) << c.locale;
    }
}

TEST_F(TextLocaleTest, SeparatorsComeFromTheLocale) {
    const std::map<std::string, std::pair<std::string, std::string>> expected = {
        {"en_US", {".", ","}}, {"de_DE", {",", "."}}, {"en_GB", {".", ","}}};
    for (const auto& [locale, separators] : expected) {
        SetUserLocale(locale);
        EXPECT_EQ(platform::text::DecimalSeparator(), separators.first) << locale;
        EXPECT_EQ(platform::text::ThousandsSeparator(), separators.second) << locale;
    }
}

std::optional<double> ParsedDate(std::string_view text) {
    double days = -1;
    if (!platform::text::ParseShortDate(text, days))
        return std::nullopt;
    return days;
}

TEST(TextDates, ParsesShortDatesWithTwoOrFourDigitYears) {
    constexpr double december9th2024 = 20066; // days since 1970-01-01
    EXPECT_EQ(ParsedDate("12/9/2024"), december9th2024);
    EXPECT_EQ(ParsedDate("12/09/2024"), december9th2024);
    EXPECT_EQ(ParsedDate("12/9/24"), december9th2024);
    EXPECT_EQ(ParsedDate(" 12/9/2024 "), december9th2024);
    EXPECT_EQ(ParsedDate("1/1/1970"), 0);
    EXPECT_EQ(ParsedDate("12/31/1969"), -1);
    EXPECT_EQ(ParsedDate(platform::text::ShortDate(LocalTime(2024, 12, 9, 15, 54, 12))),
              december9th2024);
}

TEST(TextDates, ParsedDatesOrderChronologically) {
    const char* ascending[] = {"2/28/1999", "3/1/1999",  "12/31/2023", "1/1/2024",
                               "2/29/2024", "12/9/2024", "12/10/2024"};
    std::optional<double> previous;
    for (const char* text : ascending) {
        auto days = ParsedDate(text);
        ASSERT_TRUE(days) << text;
        if (previous) {
            EXPECT_GT(*days, *previous) << text;
        }
        previous = days;
    }
}

TEST(TextDates, RejectsTextsThatAreNoDates) {
    for (const char* text : {"", "   ", "abc", "13/1/2024", "2/30/2024", "12/9", "12/9/2024x",
                             "12/9/2024 3:54:12 PM", "09.12.2024", "10.5MB", "-3/4/2024"})
        EXPECT_FALSE(ParsedDate(text)) << text;
}

TEST_F(TextLocaleTest, ParsesTheGermanShortDate) {
    SetUserLocale("de_DE");
    EXPECT_EQ(ParsedDate("09.12.2024"), 20066);
    EXPECT_EQ(ParsedDate("9.12.24"), 20066);
    EXPECT_FALSE(ParsedDate("12/9/2024"));
    EXPECT_FALSE(ParsedDate("31.02.2024"));
}

// --- Which locale ------------------------------------------------------------------------------

// Sets the locale variables for one test and puts the old values back afterwards.
class TextEnvironmentTest : public TextLocaleTest {
protected:
    void SetUp() override {
        for (const char* name : kVariables) {
            if (const char* value = std::getenv(name))
                saved_[name] = value;
            unsetenv(name);
        }
    }
    void TearDown() override {
        for (const char* name : kVariables) {
            auto found = saved_.find(name);
            if (found != saved_.end())
                setenv(name, found->second.c_str(), 1);
            else
                unsetenv(name);
        }
        TextLocaleTest::TearDown();
    }
    static constexpr const char* kVariables[] = {"LC_ALL",     "LC_COLLATE", "LC_TIME",
                                                 "LC_NUMERIC", "LC_CTYPE",   "LANG"};

private:
    std::map<std::string, std::string> saved_;
};

struct EnvironmentCase {
    const char* name;
    std::vector<std::pair<const char*, const char*>> variables;
    const char* expectedLocale;
};

TEST_F(TextEnvironmentTest, LocaleNameComesFromTheEnvironmentWithAnEnglishFallback) {
    const EnvironmentCase cases[] = {
        {"nothing set", {}, "en_US"},
        {"LANG", {{"LANG", "de_DE.UTF-8"}}, "de_DE"},
        {"LC_ALL beats the rest",
         {{"LC_ALL", "sv_SE.UTF-8"}, {"LC_COLLATE", "de_DE"}, {"LANG", "fr_FR"}},
         "sv_SE"},
        {"LC_COLLATE beats LANG", {{"LC_COLLATE", "de_DE.utf8"}, {"LANG", "fr_FR.UTF-8"}}, "de_DE"},
        {"empty LC_ALL counts as unset", {{"LC_ALL", ""}, {"LANG", "fr_FR"}}, "fr_FR"},
        {"POSIX modifier", {{"LANG", "de_DE.UTF-8@euro"}}, "de_DE"},
        {"C locale", {{"LANG", "C.UTF-8"}}, "en_US"},
        {"POSIX locale", {{"LC_ALL", "POSIX"}}, "en_US"},
        {"C collation beats LANG", {{"LC_COLLATE", "C"}, {"LANG", "de_DE"}}, "en_US"},
        {"unknown language", {{"LANG", "xx_YY.UTF-8"}}, "en_US"},
    };
    for (const auto& c : cases) {
        for (const char* name : kVariables)
            unsetenv(name);
        for (const auto& [name, value] : c.variables)
            setenv(name, value, 1);
        SetUserLocale("");
        EXPECT_EQ(platform::text::UserLocaleName(), c.expectedLocale) << c.name;
    }
}

TEST_F(TextEnvironmentTest, EachFormatReadsItsOwnCategory) {
    setenv("LANG", "en_US.UTF-8", 1);
    setenv("LC_TIME", "de_DE.UTF-8", 1);
    setenv("LC_NUMERIC", "de_DE.UTF-8", 1);
    SetUserLocale("");
    const std::tm time = LocalTime(2024, 12, 9, 15, 54, 12);
    EXPECT_EQ(platform::text::ShortDate(time), "09.12.2024");
    EXPECT_EQ(platform::text::LongTime(time), "15:54:12");
    EXPECT_EQ(platform::text::DecimalSeparator(), ",");
    EXPECT_EQ(platform::text::UserLocaleName(), "en_US");
}

TEST_F(TextLocaleTest, InjectedNamesAreResolvedLikeEnvironmentNames) {
    SetUserLocale("de-DE");
    EXPECT_EQ(platform::text::UserLocaleName(), "de_DE");
    SetUserLocale("C");
    EXPECT_EQ(platform::text::UserLocaleName(), "en_US");
    SetUserLocale("qq");
    EXPECT_EQ(platform::text::UserLocaleName(), "en_US");
    EXPECT_EQ(platform::text::ShortDate(LocalTime(2024, 12, 9, 0, 0, 0)), "12/9/2024");
}

// --- Threads -----------------------------------------------------------------------------------

TEST_F(TextLocaleTest, ThreadsCompareAndFormatWhileTheLocaleChanges) {
    std::atomic<bool> stop{false};
    std::atomic<int> wrongResults{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([&, t] {
            const std::tm time = LocalTime(2024, 12, 9, 15, 54, 12);
            for (int i = 0; i < 2000 && !stop; ++i) {
                // Both locales agree on these, so every answer is known.
                bool right = CompareNoCase("M\u00fcller " + std::to_string(t),
                                           "m\u00dcLLER " + std::to_string(t)) == 0 &&
                             CompareNoCase("apple", "Banana") < 0 &&
                             NoCaseSortKey("ABC") == NoCaseSortKey("abc");
                std::string date = platform::text::ShortDate(time);
                right = right && (date == "12/9/2024" || date == "09.12.2024");
                double days = 0;
                if (platform::text::ParseShortDate(date, days))
                    right = right && days == 20066;
                if (!right)
                    ++wrongResults;
            }
        });
    }
    for (int i = 0; i < 20; ++i)
        SetUserLocale(i % 2 == 0 ? "de_DE" : "en_US");
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(wrongResults, 0);
}

// --- Messages ----------------------------------------------------------------------------------

TEST(ErrorMessage, FormatMessageFillsTheFirstPlaceholder) {
    struct Case {
        std::string pattern;
        std::string argument;
        std::string expected;
    };
    const Case cases[] = {
        {"Cannot open file %s", "e:\\iPod_Control\\iTunes\\itunesdb",
         "Cannot open file e:\\iPod_Control\\iTunes\\itunesdb"},
        {"Failed to set data for '%s'", "DBClickPlaySong",
         "Failed to set data for 'DBClickPlaySong'"},
        {" [%s]  ", "", " []  "},
        {"Stream read error", "ignored", "Stream read error"},
        {"%s and %s", "one", "one and %s"},
        {"%s", "100%s", "100%s"},
        {"", "x", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::FormatMessage(c.pattern, c.argument), c.expected) << c.pattern;
}

TEST(ErrorMessage, OsErrorCarriesItsMessage) {
    try {
        throw platform::OsError(platform::FormatMessage("Unable to write to %s", "c:\\x.ini"));
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Unable to write to c:\\x.ini");
    }
}

} // namespace
