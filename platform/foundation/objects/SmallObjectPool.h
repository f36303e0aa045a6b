#pragma once

#include <cstddef>
#include <new>

// Blocks for the small objects a decoded document is made of (strings,
// numbers, arrays, dictionaries), by the hundred thousand. malloc costs a
// header and a trip through its bins for each; here each size class (8-byte
// steps up to 256 bytes) is a free list per thread, so making one is a pop
// and freeing one a push, with no header.
//
// An object may be freed on another thread than the one that made it (a
// tree handed to a queue): its block joins the freeing thread's list. A
// list that grows long hands a batch to a depot shared by all threads,
// which a thread that runs short refills from; a thread that ends hands
// over everything. Blocks are kept for reuse, never given back to the
// system, so the pool holds the peak of live small objects.
//
// Sanitizer builds take every block from the global operator new instead,
// so that a use after free or a wrong size passed back is still caught.
namespace foundation::smallObjectPool {

// Larger sizes go to the global operator new.
inline constexpr std::size_t LargestPooledSize = 256;

void* allocate(std::size_t size);  // throws std::bad_alloc
void* allocate(std::size_t size, const std::nothrow_t&) noexcept;
// `size` must be the size the block was allocated with.
void deallocate(void* block, std::size_t size) noexcept;

} // namespace foundation::smallObjectPool
