#pragma once

#include <cstddef>
#include <new>

// Blocks for the small objects a decoded document is made of (strings,
// numbers, arrays, dictionaries), by the hundred thousand. malloc costs a
// header and a trip through its bins for each; here a thread cuts blocks of
// any size one after another from a page-sized chunk of its own, so making
// one is a pointer bump, and the objects made together (a tree, in the
// order it is read) lie together in memory, however scattered what was
// freed before them was.
//
// A chunk counts the blocks still alive in it; freeing one is a decrement
// on its chunk, from any thread (a tree handed to a queue is freed there).
// A chunk whose blocks are all free, and that its thread has moved on from,
// is reused whole for the next chunk any thread needs. A block that lives
// long keeps its chunk (a page) from reuse until it is freed. Chunks are
// kept for reuse, never given back to the system, so the pool holds the
// peak of the chunks in use.
//
// Sanitizer builds take every block from the global operator new instead,
// so that a use after free or a wrong size passed back is still caught.

// GCC says AddressSanitizer is on with a macro, clang with a feature test.
#if defined(__SANITIZE_ADDRESS__)
#define FOUNDATION_POOL_BYPASS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FOUNDATION_POOL_BYPASS 1
#endif
#endif
#ifndef FOUNDATION_POOL_BYPASS
#define FOUNDATION_POOL_BYPASS 0
#endif

namespace foundation::smallObjectPool {

// Whether this build takes every block from the global operator new.
inline constexpr bool Bypassed = FOUNDATION_POOL_BYPASS;

// Larger sizes go to the global operator new.
inline constexpr std::size_t LargestPooledSize = 256;

void* allocate(std::size_t size);  // throws std::bad_alloc
void* allocate(std::size_t size, const std::nothrow_t&) noexcept;
// `size` must be the size the block was allocated with.
void deallocate(void* block, std::size_t size) noexcept;

} // namespace foundation::smallObjectPool
