#pragma once

#include <ctime>
#include <string>
#include <string_view>

// 8-bit text is UTF-8 (the system code page of this platform); wide text is UTF-16.
namespace platform::text {

// Unpaired surrogates become "?".
std::string WideToAnsi(std::u16string_view wide);
// The same conversion appended to `out`, for callers that convert many texts into one store.
void AppendAnsi(std::string& out, std::u16string_view wide);
// Malformed UTF-8 sequences become U+FFFD.
std::u16string AnsiToWide(std::string_view ansi);

// The user locale: from the environment (LC_ALL, LC_COLLATE, LANG...), falling back to
// English (United States). Tests pass an ICU locale name such as "de_DE"; "" returns to the
// environment's locale.
void SetUserLocale(const std::string& icuLocaleName);
std::string UserLocaleName();

// Comparison without regard to case by the user locale's rules (accents still count).
int CompareNoCase(std::string_view a, std::string_view b);
bool SameNoCase(std::string_view a, std::string_view b);
// A byte string whose memcmp order is CompareNoCase's order (and equality its equality).
std::string NoCaseSortKey(std::string_view text);

// Case mapping by the user locale's rules.
std::string ToLower(std::string_view text);
std::string ToUpper(std::string_view text);
// Locale-independent case folding, for matching file names.
std::string FoldCase(std::string_view text);

// Formats of the user locale.
std::string DecimalSeparator();
std::string ThousandsSeparator();
std::string ShortDate(const std::tm& local);  // 12/9/2024
std::string LongTime(const std::tm& local);   // 3:54:12 PM
// Parses a date written in the short date format; false when the text is none.
bool ParseShortDate(std::string_view text, double& daysSinceEpoch);

} // namespace platform::text
