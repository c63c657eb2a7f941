#pragma once

#include <cstddef>

namespace testsupport {

// While it lives, every allocation of at least `bytes` in the process fails with
// std::bad_alloc, as on a machine out of memory. Only for a test executable that is linked with
// allocation_limit.cpp, which replaces the global operator new.
class ScopedAllocationLimit {
public:
    explicit ScopedAllocationLimit(std::size_t bytes);
    ~ScopedAllocationLimit();
    ScopedAllocationLimit(const ScopedAllocationLimit&) = delete;
    ScopedAllocationLimit& operator=(const ScopedAllocationLimit&) = delete;
};

} // namespace testsupport
