#include "json/internal/JTObjectStack.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace jotter {

namespace {

// Grows one run from `count` to `newCount` entries of `size` bytes; on the
// heap in place or moved, from a lent run by copying. Null on failure, with
// the old run untouched.
void* growRun(void* run, bool onHeap, std::size_t count, std::size_t newCount, std::size_t size) noexcept
{
    void* grown = onHeap ? std::realloc(run, newCount * size) : std::malloc(newCount * size);
    if (!grown)
        return nullptr;
    if (!onHeap)
        std::memcpy(grown, run, count * size);
    std::memset(static_cast<char*>(grown) + count * size, 0, (newCount - count) * size);
    return grown;
}

} // namespace

void jt_objectStack_setToStackBuffer(JTObjectStack& stack, JTSlot* objects, foundation::Object** keys,
    std::uint64_t* cfHashes, std::size_t count) noexcept
{
    stack.objects = objects;
    stack.keys = keys;
    stack.cfHashes = cfHashes;
    stack.count = count;
    stack.index = 0;
    stack.flags = JTObjectStackOnStack;
}

bool jt_objectStack_resize(JTObjectStack& stack, std::size_t newCount) noexcept
{
    std::size_t unit = stack.roundSizeUpToMultipleOf ? stack.roundSizeUpToMultipleOf : 1;
    if (newCount > std::numeric_limits<std::size_t>::max() / sizeof(void*) - unit)
        return false;
    newCount = (newCount + unit - 1) / unit * unit;
    if (newCount <= stack.count)
        return true;
    bool onHeap = (stack.flags & JTObjectStackLocationMask) == JTObjectStackOnHeap;
    // Each run is committed as soon as it has grown, so that a later failure
    // leaves every run at least `count` entries long and still valid.
    void* objects = growRun(stack.objects, onHeap, stack.count, newCount, sizeof *stack.objects);
    if (!objects)
        return false;
    void* keys = growRun(stack.keys, onHeap, stack.count, newCount, sizeof *stack.keys);
    void* cfHashes = keys ? growRun(stack.cfHashes, onHeap, stack.count, newCount, sizeof *stack.cfHashes) : nullptr;
    if (!onHeap && !cfHashes) {
        std::free(objects);
        std::free(keys);
        return false;
    }
    if (onHeap) {
        stack.objects = static_cast<JTSlot*>(objects);
        if (keys)
            stack.keys = static_cast<foundation::Object**>(keys);
        if (cfHashes)
            stack.cfHashes = static_cast<std::uint64_t*>(cfHashes);
        if (!cfHashes)
            return false;
    } else {
        stack.objects = static_cast<JTSlot*>(objects);
        stack.keys = static_cast<foundation::Object**>(keys);
        stack.cfHashes = static_cast<std::uint64_t*>(cfHashes);
        stack.flags = JTObjectStackOnHeap | JTObjectStackMustFree;
    }
    stack.count = newCount;
    return true;
}

void jt_objectStack_release(JTObjectStack& stack) noexcept
{
    if (stack.flags & JTObjectStackMustFree) {
        std::free(stack.objects);
        std::free(stack.keys);
        std::free(stack.cfHashes);
    }
    stack.objects = nullptr;
    stack.keys = nullptr;
    stack.cfHashes = nullptr;
    stack.count = stack.index = 0;
    stack.flags = 0;
}

} // namespace jotter
