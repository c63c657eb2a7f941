#include "platform/text.h"

#include "platform/ascii.h"
#include "platform/error.h"

#include <unicode/bytestream.h>
#include <unicode/casemap.h>
#include <unicode/coll.h>
#include <unicode/datefmt.h>
#include <unicode/dcfmtsym.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <set>

namespace platform::text {
namespace {

constexpr const char* kFallbackLocale = "en_US";
constexpr double kMillisecondsPerDay = 86400000.0;

[[noreturn]] void ThrowIcuFailure(const std::string& what, UErrorCode status) {
    throw OsError(what + " failed: " + u_errorName(status));
}

int32_t IcuLength(std::size_t size) {
    if (size > static_cast<std::size_t>(std::numeric_limits<int32_t>::max()))
        throw OsError("Text of " + std::to_string(size) + " bytes is too long to convert");
    return static_cast<int32_t>(size);
}

icu::StringPiece Piece(std::string_view text) {
    return icu::StringPiece(text.data(), IcuLength(text.size()));
}

// Windows writes a plain space where recent ICU data puts U+202F (before AM/PM).
std::string ToDisplayUtf8(icu::UnicodeString text) {
    text.findAndReplace(icu::UnicodeString(static_cast<UChar32>(0x202F)), icu::UnicodeString(u' '));
    std::string out;
    text.toUTF8String(out);
    return out;
}

std::string ToUtf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

// --- Which locale -------------------------------------------------------------------------

bool IsKnownLanguage(const icu::Locale& locale) {
    static const std::set<std::string> languages = [] {
        std::set<std::string> found;
        int32_t count = 0;
        const icu::Locale* available = icu::Locale::getAvailableLocales(count);
        for (int32_t i = 0; i < count; ++i)
            found.insert(available[i].getLanguage());
        return found;
    }();
    return languages.contains(locale.getLanguage());
}

// Accepts POSIX names ("de_DE.UTF-8@euro"), ICU names ("de_DE@collation=phonebook") and
// language tags ("de-DE"). The C locale and languages ICU has no data for become en_US.
icu::Locale ResolveLocale(std::string name) {
    if (auto at = name.find('@'); at != std::string::npos) {
        // A POSIX modifier such as "@euro" means nothing to ICU; ICU keywords ("@a=b") stay.
        if (name.find('=', at) == std::string::npos)
            name.erase(at);
    }
    if (auto dot = name.find('.'); dot != std::string::npos) {
        auto at = name.find('@', dot);
        name.erase(dot, at == std::string::npos ? std::string::npos : at - dot);
    }
    if (name.empty() || name == "C" || name == "POSIX")
        return icu::Locale(kFallbackLocale);
    icu::Locale locale = icu::Locale::createCanonical(name.c_str());
    if (locale.isBogus() || !IsKnownLanguage(locale))
        return icu::Locale(kFallbackLocale);
    return locale;
}

icu::Locale LocaleFromEnvironment(const char* categoryVariable) {
    for (const char* variable : {"LC_ALL", categoryVariable, "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return ResolveLocale(value);
    }
    return icu::Locale(kFallbackLocale);
}

struct LocaleChoice {
    icu::Locale collation;
    icu::Locale time;
    icu::Locale numbers;
    icu::Locale letterCase;
};

LocaleChoice ChooseFromEnvironment() {
    return {LocaleFromEnvironment("LC_COLLATE"), LocaleFromEnvironment("LC_TIME"),
            LocaleFromEnvironment("LC_NUMERIC"), LocaleFromEnvironment("LC_CTYPE")};
}

LocaleChoice ChooseOne(const std::string& name) {
    icu::Locale locale = ResolveLocale(name);
    return {locale, locale, locale, locale};
}

// --- Date patterns --------------------------------------------------------------------------

// Rewrites the length of each run of a pattern letter; quoted literals are left alone.
icu::UnicodeString RewriteFieldLengths(const icu::UnicodeString& pattern,
                                       const std::function<int(char16_t, int)>& newLength) {
    icu::UnicodeString out;
    bool quoted = false;
    for (int32_t i = 0; i < pattern.length();) {
        char16_t c = pattern.charAt(i);
        if (c == u'\'') {
            quoted = !quoted;
            out.append(c);
            ++i;
            continue;
        }
        bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        if (quoted || !letter) {
            out.append(c);
            ++i;
            continue;
        }
        int run = 0;
        while (i + run < pattern.length() && pattern.charAt(i + run) == c)
            ++run;
        int length = newLength(c, run);
        for (int k = 0; k < length; ++k)
            out.append(c);
        i += run;
    }
    return out;
}

icu::UnicodeString PatternOf(icu::DateFormat* format, const std::string& what) {
    auto* simple = dynamic_cast<icu::SimpleDateFormat*>(format);
    if (simple == nullptr)
        throw OsError(what + " has no pattern");
    icu::UnicodeString pattern;
    simple->toPattern(pattern);
    return pattern;
}

// All formats work in GMT: their input is a local time already, and day numbers stay whole.
std::unique_ptr<icu::DateFormat> MakeDateFormat(const icu::UnicodeString& pattern,
                                                const icu::Locale& locale, bool strict) {
    UErrorCode status = U_ZERO_ERROR;
    auto format = std::make_unique<icu::SimpleDateFormat>(pattern, locale, status);
    if (U_FAILURE(status))
        ThrowIcuFailure("Creating a date format for locale " + std::string(locale.getName()),
                        status);
    format->setTimeZone(*icu::TimeZone::getGMT());
    format->setLenient(!strict);
    return format;
}

// --- Per-locale services ----------------------------------------------------------------------

// ICU collators and date formats are not safe to share between threads, so one set is built
// per locale change and each thread works on its own clone of it.
struct LocaleServices {
    std::string collationLocaleName;
    std::string caseLocaleName;
    std::string decimalSeparator;
    std::string thousandsSeparator;
    std::unique_ptr<icu::Collator> collator;
    std::unique_ptr<icu::DateFormat> shortDate;
    std::unique_ptr<icu::DateFormat> longTime;
    std::unique_ptr<icu::DateFormat> dateParser;

    std::unique_ptr<LocaleServices> Clone() const {
        auto copy = std::make_unique<LocaleServices>();
        copy->collationLocaleName = collationLocaleName;
        copy->caseLocaleName = caseLocaleName;
        copy->decimalSeparator = decimalSeparator;
        copy->thousandsSeparator = thousandsSeparator;
        copy->collator.reset(collator->clone());
        copy->shortDate.reset(shortDate->clone());
        copy->longTime.reset(longTime->clone());
        copy->dateParser.reset(dateParser->clone());
        if (!copy->collator || !copy->shortDate || !copy->longTime || !copy->dateParser)
            throw OsError("Copying the text services of locale " + collationLocaleName +
                          " failed: out of memory");
        return copy;
    }
};

std::unique_ptr<icu::Collator> MakeCollator(const icu::Locale& locale) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(locale, status));
    if (U_FAILURE(status))
        ThrowIcuFailure("Creating the collator for locale " + std::string(locale.getName()),
                        status);
    // Secondary strength: case is a tertiary difference, accents a secondary one.
    collator->setStrength(icu::Collator::SECONDARY);
    return collator;
}

// Windows' short dates carry four-digit years where ICU has two.
int FourDigitYear(char16_t letter, int length) {
    return letter == u'y' && length == 2 ? 4 : length;
}

// Single letters accept one or two digits, and a two-digit year is put in its century.
int LooseDigitCount(char16_t letter, int length) {
    if (letter == u'y')
        return 1;
    bool numeric = letter == u'd' || letter == u'M' || letter == u'L';
    return numeric && length == 2 ? 1 : length;
}

void AddDateFormats(LocaleServices& services, const icu::Locale& locale) {
    std::string where = "for locale " + std::string(locale.getName());
    std::unique_ptr<icu::DateFormat> shortDate(
        icu::DateFormat::createDateInstance(icu::DateFormat::kShort, locale));
    std::unique_ptr<icu::DateFormat> mediumTime(
        icu::DateFormat::createTimeInstance(icu::DateFormat::kMedium, locale));
    if (!shortDate || !mediumTime)
        throw OsError("Creating the date and time formats " + where + " failed");
    icu::UnicodeString datePattern = PatternOf(shortDate.get(), "The short date format " + where);
    icu::UnicodeString timePattern = PatternOf(mediumTime.get(), "The time format " + where);

    services.shortDate =
        MakeDateFormat(RewriteFieldLengths(datePattern, FourDigitYear), locale, false);
    services.longTime = MakeDateFormat(timePattern, locale, false);
    services.dateParser =
        MakeDateFormat(RewriteFieldLengths(datePattern, LooseDigitCount), locale, true);
}

void AddSeparators(LocaleServices& services, const icu::Locale& locale) {
    UErrorCode status = U_ZERO_ERROR;
    icu::DecimalFormatSymbols symbols(locale, status);
    if (U_FAILURE(status))
        ThrowIcuFailure("Reading the number symbols of locale " + std::string(locale.getName()),
                        status);
    services.decimalSeparator =
        ToUtf8(symbols.getConstSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol));
    services.thousandsSeparator =
        ToUtf8(symbols.getConstSymbol(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol));
}

std::unique_ptr<LocaleServices> BuildServices(const LocaleChoice& choice) {
    auto services = std::make_unique<LocaleServices>();
    services->collationLocaleName = choice.collation.getName();
    services->caseLocaleName = choice.letterCase.getName();
    services->collator = MakeCollator(choice.collation);
    AddDateFormats(*services, choice.time);
    AddSeparators(*services, choice.numbers);
    return services;
}

std::mutex prototypeMutex;
std::unique_ptr<LocaleServices> prototype; // guarded by prototypeMutex
std::atomic<std::uint64_t> generation{0};  // bumped (under the mutex) on each locale change

void InstallPrototype(std::unique_ptr<LocaleServices> services) {
    std::lock_guard lock(prototypeMutex);
    prototype = std::move(services);
    generation.fetch_add(1, std::memory_order_acq_rel);
}

// The calling thread's own services, re-cloned after a locale change.
const LocaleServices& ThreadServices() {
    struct Cache {
        std::uint64_t generation = 0;
        std::unique_ptr<LocaleServices> services;
    };
    thread_local Cache cache;
    std::uint64_t current = generation.load(std::memory_order_acquire);
    if (current == 0 || cache.generation != current) {
        std::lock_guard lock(prototypeMutex);
        if (!prototype) {
            prototype = BuildServices(ChooseFromEnvironment());
            generation.fetch_add(1, std::memory_order_acq_rel);
        }
        cache.services = prototype->Clone();
        cache.generation = generation.load(std::memory_order_relaxed);
    }
    return *cache.services;
}

// --- Dates ------------------------------------------------------------------------------------

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    std::int64_t era = FloorDiv(year, 400);
    std::int64_t yearOfEra = year - era * 400;
    std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// The local time as an instant in GMT, the zone all our formats use.
UDate AsGmt(const std::tm& local) {
    std::int64_t year = 1900LL + local.tm_year + FloorDiv(local.tm_mon, 12);
    int month = static_cast<int>(local.tm_mon - FloorDiv(local.tm_mon, 12) * 12) + 1;
    std::int64_t days = DaysFromCivil(year, month, 1) + local.tm_mday - 1;
    std::int64_t seconds =
        days * 86400 + local.tm_hour * 3600LL + local.tm_min * 60LL + local.tm_sec;
    return static_cast<UDate>(seconds) * 1000.0;
}

std::string Format(const icu::DateFormat& format, const std::tm& local) {
    icu::UnicodeString out;
    format.format(AsGmt(local), out);
    return ToDisplayUtf8(out);
}

// --- Case mapping ------------------------------------------------------------------------------

template <typename Mapping>
std::string MapCase(std::string_view text, const char* what, Mapping map) {
    std::string out;
    out.reserve(text.size());
    icu::StringByteSink<std::string> sink(&out);
    UErrorCode status = U_ZERO_ERROR;
    map(Piece(text), sink, status);
    if (U_FAILURE(status))
        ThrowIcuFailure(what, status);
    return out;
}

} // namespace

std::string WideToAnsi(std::u16string_view wide) {
    std::string out;
    AppendAnsi(out, wide);
    return out;
}

// Written out rather than through ICU: a catalogue converts half a million fields per load.
void AppendAnsi(std::string& out, std::u16string_view wide) {
    const std::size_t at = out.size();
    out.resize(at + wide.size() * 3); // the most a UTF-16 unit needs
    char* next = out.data() + at;
    const auto put = [&next](char32_t byte) { *next++ = static_cast<char>(byte); };
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const char32_t unit = wide[i];
        if (unit < 0x80) {
            put(unit);
        } else if (unit < 0x800) {
            put(0xC0 | unit >> 6);
            put(0x80 | (unit & 0x3F));
        } else if (unit < 0xD800 || unit > 0xDFFF) {
            put(0xE0 | unit >> 12);
            put(0x80 | (unit >> 6 & 0x3F));
            put(0x80 | (unit & 0x3F));
        } else if (unit <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
                   wide[i + 1] <= 0xDFFF) {
            const char32_t point = 0x10000 + ((unit - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
            put(0xF0 | point >> 18);
            put(0x80 | (point >> 12 & 0x3F));
            put(0x80 | (point >> 6 & 0x3F));
            put(0x80 | (point & 0x3F));
        } else {
            put(U'?');
        }
    }
    out.resize(static_cast<std::size_t>(next - out.data()));
}

std::u16string AnsiToWide(std::string_view ansi) {
    if (ansi.empty())
        return {};
    // Never more UTF-16 units than UTF-8 bytes.
    std::u16string out(ansi.size(), u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(out.data(), IcuLength(out.size()), &length, ansi.data(),
                         IcuLength(ansi.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status))
        ThrowIcuFailure("Converting UTF-8 text to UTF-16", status);
    out.resize(static_cast<std::size_t>(length));
    return out;
}

void SetUserLocale(const std::string& icuLocaleName) {
    InstallPrototype(
        BuildServices(icuLocaleName.empty() ? ChooseFromEnvironment() : ChooseOne(icuLocaleName)));
}

std::string UserLocaleName() {
    return ThreadServices().collationLocaleName;
}

int CompareNoCase(std::string_view a, std::string_view b) {
    UErrorCode status = U_ZERO_ERROR;
    UCollationResult result = ThreadServices().collator->compareUTF8(Piece(a), Piece(b), status);
    if (U_FAILURE(status))
        ThrowIcuFailure("Comparing texts", status);
    return static_cast<int>(result);
}

bool SameNoCase(std::string_view a, std::string_view b) {
    return CompareNoCase(a, b) == 0;
}

std::string NoCaseSortKey(std::string_view text) {
    const icu::Collator& collator = *ThreadServices().collator;
    icu::UnicodeString wide = icu::UnicodeString::fromUTF8(Piece(text));
    int32_t size = collator.getSortKey(wide, nullptr, 0);
    std::string key(static_cast<std::size_t>(size), '\0');
    collator.getSortKey(wide, reinterpret_cast<uint8_t*>(key.data()), size);
    // The terminating zero adds nothing to the order of std::string keys.
    if (!key.empty() && key.back() == '\0')
        key.pop_back();
    return key;
}

std::string ToLower(std::string_view text) {
    const char* locale = ThreadServices().caseLocaleName.c_str();
    return MapCase(text, "Converting text to lower case",
                   [locale](icu::StringPiece source, icu::ByteSink& sink, UErrorCode& status) {
                       icu::CaseMap::utf8ToLower(locale, 0, source, sink, nullptr, status);
                   });
}

std::string ToUpper(std::string_view text) {
    const char* locale = ThreadServices().caseLocaleName.c_str();
    return MapCase(text, "Converting text to upper case",
                   [locale](icu::StringPiece source, icu::ByteSink& sink, UErrorCode& status) {
                       icu::CaseMap::utf8ToUpper(locale, 0, source, sink, nullptr, status);
                   });
}

std::string FoldCase(std::string_view text) {
    return MapCase(text, "Folding the case of text",
                   [](icu::StringPiece source, icu::ByteSink& sink, UErrorCode& status) {
                       icu::CaseMap::utf8Fold(U_FOLD_CASE_DEFAULT, source, sink, nullptr, status);
                   });
}

std::string DecimalSeparator() {
    return ThreadServices().decimalSeparator;
}

std::string ThousandsSeparator() {
    return ThreadServices().thousandsSeparator;
}

std::string ShortDate(const std::tm& local) {
    return Format(*ThreadServices().shortDate, local);
}

std::string LongTime(const std::tm& local) {
    return Format(*ThreadServices().longTime, local);
}

bool ParseShortDate(std::string_view text, double& daysSinceEpoch) {
    std::string_view trimmed = ascii::Trim(text, " \t\r\n");
    if (trimmed.empty())
        return false;
    icu::UnicodeString wide = icu::UnicodeString::fromUTF8(Piece(trimmed));
    icu::ParsePosition position(0);
    UDate instant = ThreadServices().dateParser->parse(wide, position);
    if (position.getErrorIndex() >= 0 || position.getIndex() != wide.length())
        return false;
    daysSinceEpoch = std::floor(instant / kMillisecondsPerDay);
    return true;
}

} // namespace platform::text
