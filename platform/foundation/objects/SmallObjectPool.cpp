#include "foundation/objects/SmallObjectPool.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <vector>

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
constexpr std::size_t ChunkBytes = 4096;               // a page: what the processor prefetches within
constexpr std::size_t ChunksPerReservation = 256;      // 1 MiB asked of the system at a time

// A chunk starts with this header; its blocks follow, cut in order.
struct alignas(16) Chunk {
    // Blocks alive, plus Unretired while a thread still cuts blocks from
    // the chunk, so that the count cannot reach zero before it is done.
    std::atomic<std::int64_t> live;
};

constexpr std::int64_t Unretired = std::int64_t(1) << 40;

constexpr std::size_t roundedSize(std::size_t size) noexcept
{
    return (size + Granularity - 1) / Granularity * Granularity;
}

Chunk* chunkOf(void* block) noexcept
{
    return reinterpret_cast<Chunk*>(reinterpret_cast<std::uintptr_t>(block) & ~(ChunkBytes - 1));
}

// The chunks no thread uses, and the reservation new ones are taken from.
class ChunkStore {
public:
    // A chunk ready to cut blocks from (live = Unretired); null when
    // memory has run out. Free chunks are taken lowest address first, so
    // that what is made after a large free lies in ascending pages, as in
    // a fresh process, whatever order the free went in.
    Chunk* take() noexcept
    {
        std::lock_guard lock(mutex_);
        Chunk* chunk;
        if (!free_.empty()) {
            std::pop_heap(free_.begin(), free_.end(), std::greater<>());
            chunk = free_.back();
            free_.pop_back();
        } else {
            if (reserved_ == reservedEnd_) {
                void* memory = std::aligned_alloc(ChunkBytes, ChunkBytes * ChunksPerReservation);
                if (!memory)
                    return nullptr;
                reserved_ = static_cast<char*>(memory);
                reservedEnd_ = reserved_ + ChunkBytes * ChunksPerReservation;
            }
            chunk = reinterpret_cast<Chunk*>(reserved_);
            reserved_ += ChunkBytes;
        }
        chunk->live.store(Unretired, std::memory_order_relaxed);
        return chunk;
    }

    void give(Chunk* chunk) noexcept
    {
        std::lock_guard lock(mutex_);
        try {
            free_.push_back(chunk);
            std::push_heap(free_.begin(), free_.end(), std::greater<>());
        } catch (const std::bad_alloc&) {
            // Out of memory for the bookkeeping: the chunk stays unused.
        }
    }

private:
    std::mutex mutex_;
    std::vector<Chunk*> free_;  // a heap, lowest address on top
    char* reserved_ = nullptr;
    char* reservedEnd_ = nullptr;
};

ChunkStore& chunkStore() noexcept
{
    static ChunkStore* shared = new ChunkStore;  // outlives every thread and static object
    return *shared;
}

// One block fewer alive in the chunk; the last one gives the chunk back.
void releaseFromChunk(Chunk* chunk, std::int64_t blocks) noexcept
{
    if (chunk->live.fetch_sub(blocks, std::memory_order_acq_rel) == blocks)
        chunkStore().give(chunk);
}

// The chunk a thread cuts blocks from.
class Cutter {
public:
    void* cut(std::size_t size) noexcept
    {
        if (static_cast<std::size_t>(end_ - next_) < size) [[unlikely]] {
            if (!startChunk())
                return nullptr;
        }
        void* block = next_;
        next_ += size;
        ++cut_;
        return block;
    }

    // Hands the chunk over to its blocks: once they are all freed (maybe
    // already), it is reused.
    void retire() noexcept
    {
        if (chunk_)
            releaseFromChunk(chunk_, Unretired - cut_);
        chunk_ = nullptr;
        next_ = end_ = nullptr;
    }

private:
    bool startChunk() noexcept
    {
        retire();
        chunk_ = chunkStore().take();
        if (!chunk_)
            return false;
        next_ = reinterpret_cast<char*>(chunk_ + 1);
        end_ = reinterpret_cast<char*>(chunk_) + ChunkBytes;
        cut_ = 0;
        return true;
    }

    Chunk* chunk_ = nullptr;
    char* next_ = nullptr;
    char* end_ = nullptr;
    std::int64_t cut_ = 0;
};

struct ThreadCutter {
    Cutter cutter;
    ~ThreadCutter();
};

// The pool lives in the programs themselves (a plug-in binds to the
// installer's), so the initial-exec model reaches it without a call.
[[gnu::tls_model("initial-exec")]] thread_local ThreadCutter threadCutter;
// Set once this thread's cutter is destroyed: blocks made later on this
// thread (by other thread-local destructors) come from a shared cutter.
[[gnu::tls_model("initial-exec")]] thread_local bool threadCutterGone = false;

ThreadCutter::~ThreadCutter()
{
    threadCutterGone = true;
    cutter.retire();
}

void* cutLate(std::size_t size) noexcept
{
    static std::mutex mutex;
    static Cutter shared;
    std::lock_guard lock(mutex);
    return shared.cut(size);
}

void* cutBlock(std::size_t size) noexcept
{
    if (threadCutterGone) [[unlikely]]
        return cutLate(roundedSize(size));
    return threadCutter.cutter.cut(roundedSize(size));
}

} // namespace

void* allocate(std::size_t size, const std::nothrow_t&) noexcept
{
    if (size > LargestPooledSize)
        return ::operator new(size, std::nothrow);
    return cutBlock(size);
}

void* allocate(std::size_t size)
{
    if (size > LargestPooledSize)
        return ::operator new(size);
    if (void* block = cutBlock(size)) [[likely]]
        return block;
    throw std::bad_alloc();
}

void deallocate(void* block, std::size_t size) noexcept
{
    if (size > LargestPooledSize) {
        releaseToGlobal(block, size);
        return;
    }
    releaseFromChunk(chunkOf(block), 1);
}

#endif

} // namespace foundation::smallObjectPool
