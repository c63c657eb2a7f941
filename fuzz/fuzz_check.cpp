#include "fuzz/fuzz_check.h"

#include <cstdio>
#include <cstdlib>

namespace fuzz {

void Broken(const char* invariant, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, invariant);
    std::abort();
}

std::vector<std::string_view> SplitAtNul(std::string_view input, std::size_t count) {
    std::vector<std::string_view> parts;
    while (parts.size() + 1 < count) {
        const std::size_t nul = input.find('\0');
        if (nul == std::string_view::npos) {
            parts.push_back(input);
            input = {};
            continue;
        }
        parts.push_back(input.substr(0, nul));
        input.remove_prefix(nul + 1);
    }
    parts.push_back(input);
    return parts;
}

} // namespace fuzz
