#include "json/JTArray.h"

#include "foundation/objects/DebugCheck.h"
#include "foundation/objects/Exception.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace jotter {

using foundation::Object;
using foundation::Ref;

namespace {

// The array grows by a fixed step, never by doubling: decoded arrays are
// mostly read, and a mutable one usually gains a few elements at most.
constexpr std::size_t GrowthSlots = 16;

} // namespace

Ref<JTArray> _JTArrayCreate(const JTSlot* slots, std::size_t count, bool isMutable)
{
    // The array adopts these references; an empty slot would read as a
    // missing element.
    FOUNDATION_DEBUG_CHECK(slots != nullptr || count == 0, "_JTArrayCreate given no slots for a non-empty array",
        "pass an array of the count's length, or a count of 0");
#if FOUNDATION_DEBUG_CHECKS
    for (std::size_t i = 0; i < count; ++i)
        FOUNDATION_DEBUG_CHECK(!slots[i].isEmpty(), "_JTArrayCreate given an empty slot",
            "give every element an object or a number (the platform's null is Null::null(), not an empty slot)");
#endif
    if (count > (std::numeric_limits<std::size_t>::max() - sizeof(JTArray)) / sizeof(JTSlot))
        return nullptr;
    std::size_t bytes = count * sizeof(JTSlot);
    if (!isMutable) {
        JTArray* array = new (bytes, std::nothrow) JTArray(count, false);
        if (!array)
            return nullptr;
        if (bytes)
            std::memcpy(static_cast<void*>(array->inlineSlots()), slots, bytes);
        return Ref<JTArray>::adopt(array);
    }
    // A mutable array's block grows on its own; an empty one still owns a
    // block, so the slot pointer is never null.
    auto* block = static_cast<JTSlot*>(std::malloc(bytes ? bytes : 1));
    if (!block)
        return nullptr;
    if (bytes)
        std::memcpy(static_cast<void*>(block), slots, bytes);
    JTArray* array = new (sizeof(JTArray::Growable), std::nothrow) JTArray(count, true);
    if (!array) {
        std::free(block);
        return nullptr;
    }
    new (&array->growable()) JTArray::Growable{block, count, 1};
    return Ref<JTArray>::adopt(array);
}

JTArray::~JTArray()
{
    JTSlot* elements = slots();
    for (std::size_t i = 0; i < count_; ++i)
        elements[i].release();
    if (isMutable_)
        std::free(elements);
}

std::size_t JTArray::allocationSize() const noexcept
{
    return sizeof(JTArray) + (isMutable_ ? sizeof(Growable) : count_ * sizeof(JTSlot));
}

void JTArray::operator delete(JTArray* array, std::destroying_delete_t) noexcept
{
    std::size_t size = array->allocationSize();
    array->~JTArray();
    foundation::smallObjectPool::deallocate(array, size);
}

void JTArray::checkMutable(const char* selector) const
{
    if (!isMutable())
        jt_raiseMutatingImmutable(*this, selector);
}

Object* JTArray::objectAtIndex(std::size_t index) const
{
    if (index >= count_)
        raiseIndexBeyondBounds("objectAtIndex:", index, count_);
    return jt_slotObject(slots()[index]);
}

void JTArray::copyObjects(Object** buffer, std::size_t location, std::size_t length) const
{
    JTSlot* elements = slots() + location;
    for (std::size_t i = 0; i < length; ++i)
        buffer[i] = jt_slotObject(elements[i]);
}

void JTArray::getObjects(Object** buffer, foundation::Range range) const
{
    checkRange("getObjects:range:", buffer, range);
    copyObjects(buffer, range.location, range.length);
}

std::size_t JTArray::countByEnumerating(foundation::FastEnumerationState& state, Object** buffer,
    std::size_t length) const
{
    if (state.state == 0) {
        state.itemsPtr = buffer;
        // An immutable array never changes: its walks watch a zero of their own.
        state.mutationsPtr = isMutable_ ? &growable().mutations : &state.extra[0];
    }
    if (state.state >= count_)
        return 0;
    std::size_t batch = std::min(length, count_ - state.state);
    copyObjects(buffer, state.state, batch);
    state.itemsPtr = buffer;
    state.state += batch;
    return batch;
}

void JTArray::insertObject(Object* object, std::size_t index)
{
    checkMutable("insertObject:atIndex:");
    if (!object)
        raiseInsertNil("insertObject:atIndex:");
    if (index > count_)
        raiseIndexBeyondBounds("insertObject:atIndex:", index, count_ + 1);
    _JTArrayInsertObjectAtIndex(*this, object, index);
    mutated();
}

void JTArray::removeObjectAtIndex(std::size_t index)
{
    checkMutable("removeObjectAtIndex:");
    if (index >= count_)
        raiseIndexBeyondBounds("removeObjectAtIndex:", index, count_);
    _JTArrayRemoveObjectAtIndex(*this, index);
    mutated();
}

void JTArray::replaceObjectAtIndex(std::size_t index, Object* object)
{
    checkMutable("replaceObjectAtIndex:withObject:");
    if (!object)
        raiseInsertNil("replaceObjectAtIndex:withObject:");
    if (index >= count_)
        raiseIndexBeyondBounds("replaceObjectAtIndex:withObject:", index, count_);
    _JTArrayReplaceObjectAtIndexWithObject(*this, index, object);
    mutated();
}

Ref<Object> JTArray::copy() const
{
    return isMutable() ? MutableArray::copy() : Array::copy();
}

// The block grows before the new element is retained, so a failed growth
// leaves the array and the element's count as they were.
void _JTArrayInsertObjectAtIndex(JTArray& array, Object* object, std::size_t index)
{
    JTArray::Growable& storage = array.growable();
    FOUNDATION_PARAMETER_ASSERT((storage.slots != nullptr) && (object != nullptr) && (index <= array.count_)
        && (array.count_ <= storage.capacity));
    if (array.count_ + 1 >= storage.capacity) {
        std::size_t capacity = storage.capacity + GrowthSlots;
        void* grown = capacity <= std::numeric_limits<std::size_t>::max() / sizeof(JTSlot)
            ? std::realloc(static_cast<void*>(storage.slots), capacity * sizeof(JTSlot))
            : nullptr;
        if (!grown)
            foundation::raise(foundation::ExceptionName::Malloc, "Unable to resize objects array.");
        storage.slots = static_cast<JTSlot*>(grown);
        std::memset(static_cast<void*>(storage.slots + array.count_), 0, (capacity - array.count_) * sizeof(JTSlot));
        storage.capacity = capacity;
    }
    object->retain();
    std::memmove(static_cast<void*>(storage.slots + index + 1), storage.slots + index,
        (array.count_ - index) * sizeof(JTSlot));
    storage.slots[index] = JTSlot::fromObject(object);
    ++array.count_;
}

// The element is released last, once the array no longer holds it: its
// teardown may reach back into the array.
void _JTArrayRemoveObjectAtIndex(JTArray& array, std::size_t index)
{
    JTArray::Growable& storage = array.growable();
    FOUNDATION_PARAMETER_ASSERT((storage.slots != nullptr) && (index < array.count_)
        && (array.count_ <= storage.capacity));
    JTSlot removed = storage.slots[index];
    std::memmove(static_cast<void*>(storage.slots + index), storage.slots + index + 1,
        (array.count_ - index - 1) * sizeof(JTSlot));
    storage.slots[--array.count_] = JTSlot();
    removed.release();
}

void _JTArrayReplaceObjectAtIndexWithObject(JTArray& array, std::size_t index, Object* object)
{
    JTArray::Growable& storage = array.growable();
    FOUNDATION_PARAMETER_ASSERT((storage.slots != nullptr) && (object != nullptr) && (index < array.count_));
    object->retain();
    JTSlot replaced = std::exchange(storage.slots[index], JTSlot::fromObject(object));
    replaced.release();
}

} // namespace jotter
