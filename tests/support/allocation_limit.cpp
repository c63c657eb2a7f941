#include "tests/support/allocation_limit.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> limit{SIZE_MAX};

} // namespace

namespace testsupport {

ScopedAllocationLimit::ScopedAllocationLimit(std::size_t bytes) {
    limit.store(bytes);
}

ScopedAllocationLimit::~ScopedAllocationLimit() {
    limit.store(SIZE_MAX);
}

} // namespace testsupport

void* operator new(std::size_t size) {
    if (size >= limit.load(std::memory_order_relaxed))
        throw std::bad_alloc();
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
