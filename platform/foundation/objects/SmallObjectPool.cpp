#include "foundation/objects/SmallObjectPool.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <deque>

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

namespace {

// A block of the global allocator back, with its size where the compiler
// has sized deallocation (GCC by default, clang only when asked): the
// sanitizers then check it against the allocation.
void releaseToGlobal(void* block, [[maybe_unused]] std::size_t size) noexcept
{
#if defined(__cpp_sized_deallocation)
    ::operator delete(block, size);
#else
    ::operator delete(block);
#endif
}

} // namespace

#if FOUNDATION_POOL_BYPASS

void* allocate(std::size_t size)
{
    return ::operator new(size);
}

void* allocate(std::size_t size, const std::nothrow_t&) noexcept
{
    return ::operator new(size, std::nothrow);
}

void deallocate(void* block, std::size_t size) noexcept
{
    releaseToGlobal(block, size);
}

#else

namespace {

constexpr std::size_t Granularity = 8;
constexpr std::size_t ClassCount = LargestPooledSize / Granularity;
constexpr std::size_t ChunkBytes = 8 * 1024;

constexpr std::size_t classOf(std::size_t size) noexcept
{
    return (size + Granularity - 1) / Granularity - 1;
}

constexpr std::size_t blockSize(std::size_t sizeClass) noexcept
{
    return (sizeClass + 1) * Granularity;
}

// Blocks that move between a thread and the depot at a time: about 1 KB,
// so that a size class a thread barely uses holds little memory idle.
constexpr std::size_t batchOf(std::size_t sizeClass) noexcept
{
    return std::max<std::size_t>(8, 1024 / blockSize(sizeClass));
}

struct FreeBlock {
    FreeBlock* next;
};

// A queue of free blocks, moved whole: nothing ever walks it. Blocks come
// out in the order they went in, so a tree made after another was freed
// lies in memory in the order the old one did (the order it is walked in,
// which the processor's prefetcher follows), not back to front.
struct FreeList {
    FreeBlock* head = nullptr;
    FreeBlock* tail = nullptr;
    std::size_t count = 0;

    void push(void* memory) noexcept
    {
        auto* block = static_cast<FreeBlock*>(memory);
        block->next = nullptr;
        if (tail)
            tail->next = block;
        else
            head = block;
        tail = block;
        ++count;
    }

    void* pop() noexcept
    {
        FreeBlock* block = head;
        head = block->next;
        if (!head)
            tail = nullptr;
        --count;
        return block;
    }
};

// The batches no thread holds, and the chunks new blocks are cut from.
class Depot {
public:
    // A batch of the class, at least one block; an empty list when memory
    // has run out.
    FreeList take(std::size_t sizeClass) noexcept
    {
        std::lock_guard lock(mutex_);
        std::deque<FreeList>& batches = batches_[sizeClass];
        if (batches.empty())
            return carve(sizeClass);
        FreeList batch = batches.front();
        batches.pop_front();
        return batch;
    }

    void give(std::size_t sizeClass, FreeList batch) noexcept
    {
        if (!batch.head)
            return;
        std::lock_guard lock(mutex_);
        try {
            batches_[sizeClass].push_back(batch);
        } catch (const std::bad_alloc&) {
            // Out of memory for the bookkeeping: the blocks stay unused.
        }
    }

private:
    // New blocks cut from the current chunk, which every class shares: a
    // class used for a few objects then holds a few blocks, not a chunk of
    // its own. A chunk is only touched as its blocks are handed out.
    FreeList carve(std::size_t sizeClass) noexcept
    {
        std::size_t size = blockSize(sizeClass);
        if (static_cast<std::size_t>(chunk_.end - chunk_.cursor) < size) {
            auto* memory = static_cast<char*>(std::malloc(ChunkBytes));
            if (!memory)
                return {};
            chunk_ = {memory, memory + ChunkBytes};
        }
        std::size_t available = static_cast<std::size_t>(chunk_.end - chunk_.cursor) / size;
        std::size_t count = std::min(batchOf(sizeClass), available);
        // Handed out in address order, like freed blocks in freeing order.
        FreeList blocks;
        for (std::size_t i = 0; i < count; ++i)
            blocks.push(chunk_.cursor + i * size);
        chunk_.cursor += count * size;
        return blocks;
    }

    struct Chunk {
        char* cursor = nullptr;
        char* end = nullptr;
    };

    std::mutex mutex_;
    std::deque<FreeList> batches_[ClassCount];
    Chunk chunk_;
};

Depot& depot() noexcept
{
    static Depot* shared = new Depot;  // outlives every thread and static object
    return *shared;
}

// Per class, the batch being used and a full one in reserve, so that a
// thread freeing and making objects around a batch boundary does not go to
// the depot each time.
struct ThreadCache {
    struct Lists {
        FreeList current;
        FreeList spare;
    };
    Lists lists[ClassCount];
    ~ThreadCache();
};

thread_local ThreadCache threadCache;
// Set once this thread's cache is destroyed: objects released later on
// this thread (by other thread-local destructors) go to the depot.
thread_local bool threadCacheGone = false;

ThreadCache::~ThreadCache()
{
    threadCacheGone = true;
    for (std::size_t sizeClass = 0; sizeClass < ClassCount; ++sizeClass) {
        depot().give(sizeClass, lists[sizeClass].current);
        depot().give(sizeClass, lists[sizeClass].spare);
    }
}

void* allocateFromClass(std::size_t sizeClass) noexcept
{
    if (threadCacheGone) [[unlikely]] {
        // One block from a batch; the rest of the batch goes back.
        FreeList batch = depot().take(sizeClass);
        if (!batch.head)
            return nullptr;
        void* block = batch.pop();
        depot().give(sizeClass, batch);
        return block;
    }
    ThreadCache::Lists& lists = threadCache.lists[sizeClass];
    if (!lists.current.head) [[unlikely]] {
        if (lists.spare.head) {
            lists.current = lists.spare;
            lists.spare = {};
        } else {
            lists.current = depot().take(sizeClass);
            if (!lists.current.head)
                return nullptr;
        }
    }
    return lists.current.pop();
}

} // namespace

void* allocate(std::size_t size, const std::nothrow_t&) noexcept
{
    if (size > LargestPooledSize)
        return ::operator new(size, std::nothrow);
    return allocateFromClass(classOf(size));
}

void* allocate(std::size_t size)
{
    if (size > LargestPooledSize)
        return ::operator new(size);
    if (void* block = allocateFromClass(classOf(size))) [[likely]]
        return block;
    throw std::bad_alloc();
}

void deallocate(void* block, std::size_t size) noexcept
{
    if (size > LargestPooledSize) {
        releaseToGlobal(block, size);
        return;
    }
    std::size_t sizeClass = classOf(size);
    if (threadCacheGone) [[unlikely]] {
        FreeList one;
        one.push(block);
        depot().give(sizeClass, one);
        return;
    }
    ThreadCache::Lists& lists = threadCache.lists[sizeClass];
    if (lists.current.count == batchOf(sizeClass)) [[unlikely]] {
        depot().give(sizeClass, lists.spare);
        lists.spare = lists.current;
        lists.current = {};
    }
    lists.current.push(block);
}

#endif

} // namespace foundation::smallObjectPool
