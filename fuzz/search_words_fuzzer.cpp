// The search words: a text is split the same every time, a field that holds every word still
// does with more around it, and a text always finds itself unless it ends in spaces. The input
// is the search text and a field, separated by a NUL.
#include "app/song_search.h"
#include "fuzz/fuzz_check.h"

#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = fuzz::SplitAtNul(fuzz::AsText(data, size), 2);
    const std::string text(parts[0]);
    const std::string field(parts[1]);
    const TSearchWords words(text);

    const bool found = words.FoundIn(field);
    FUZZ_CHECK(TSearchWords(text).FoundIn(field) == found);
    FUZZ_CHECK(SearchFunc(text, field) == found);
    if (found)
        FUZZ_CHECK(words.FoundIn(text + field + text));
    // Every word of a text occurs in the text; only a rest of spaces makes an empty word.
    const bool endsInSpaces = text.ends_with(' ');
    if (text.find_first_not_of(' ') != std::string::npos && !endsInSpaces)
        FUZZ_CHECK(words.FoundIn(text));
    if (text.empty())
        FUZZ_CHECK(!IsSearchableText(text));
    (void)IsSearchableText(text);
    return 0;
}
