#pragma once
// Counts every allocation of the process, for tests that show some work
// allocates nothing. It replaces the global allocation functions, so it is
// included by exactly one source of a test executable.

#include <atomic>
#include <cstdlib>
#include <new>

namespace velmor::testing {
// Counted on every thread: a pipelined run allocates (or not) on two.
inline std::atomic<long> allocations{0};
}  // namespace velmor::testing

// GCC pairs an inlined delete with the library's new and warns of a mismatch;
// here both sides are malloc and free.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    ++velmor::testing::allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop
