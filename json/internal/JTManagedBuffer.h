#pragma once

#include <cstddef>

namespace jotter {

// A run of writable bytes.
struct JTPtrRange {
    unsigned char* ptr = nullptr;
    std::size_t length = 0;
};

// Where a managed buffer's bytes live (flags & JTManagedBufferLocationMask),
// and whether the buffer owns them.
inline constexpr unsigned JTManagedBufferOnStack = 1;  // lent by the caller's frame
inline constexpr unsigned JTManagedBufferOnHeap = 2;
inline constexpr unsigned JTManagedBufferLocationMask = 3;
inline constexpr unsigned JTManagedBufferMustFree = 4;  // the heap block is ours to free

// The library's growable byte buffer. It starts in a buffer lent by the
// caller's frame, so small jobs never touch the heap, and moves to a malloc
// block the first time it must grow. Sizes are rounded up to the buffer's
// granularity so that growth is amortised.
//
//   unsigned char frame[4096];
//   JTManagedBuffer buffer = JTManagedBuffer::lent(frame, sizeof frame, 32768);
//   if (!jt_managedBuffer_resize(buffer, needed)) { /* out of memory */ }
//   ...
//   jt_managedBuffer_release(buffer);
struct JTManagedBuffer {
    JTPtrRange bytes;
    unsigned flags = 0;
    std::size_t roundSizeUpToMultipleOf = 0;

    static JTManagedBuffer lent(unsigned char* frameBytes, std::size_t length, std::size_t granularity) noexcept
    {
        return {{frameBytes, length}, JTManagedBufferOnStack, granularity};
    }
};

// Makes the buffer at least newSize bytes long, keeping its contents; does
// nothing when it already is. Otherwise the new size is rounded up to the
// granularity: a lent buffer is copied into a new heap
// block; a heap block is resized in place or moved. On failure the heap block
// is freed, the buffer is left empty and false is returned.
[[nodiscard]] bool jt_managedBuffer_resize(JTManagedBuffer& buffer, std::size_t newSize) noexcept;

// Frees an owned heap block and leaves the buffer empty.
void jt_managedBuffer_release(JTManagedBuffer& buffer) noexcept;

// Forgets the heap block (from malloc) after its ownership has been handed to
// someone else, who frees it; leaves the buffer empty.
void jt_managedBuffer_detach(JTManagedBuffer& buffer) noexcept;

} // namespace jotter
