#pragma once

#include <cstdint>

// Where one section of the database lies, as its header states.
struct SectionEntry {
    std::int32_t TotalLength = 0;
    std::int32_t HeaderLength = 0;
    std::int32_t Start = 0; // file offset of the section's first byte

    bool operator==(const SectionEntry&) const = default;
};
