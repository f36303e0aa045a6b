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

Ref<JTArray> _JTArrayCreate(Object* const* objects, std::size_t count, bool isMutable)
{
    // The array adopts these references; a null one would be released later.
    FOUNDATION_DEBUG_CHECK(objects != nullptr || count == 0, "_JTArrayCreate given no objects for a non-empty array",
        "pass an array of the count's length, or a count of 0");
#if FOUNDATION_DEBUG_CHECKS
    for (std::size_t i = 0; i < count; ++i)
        FOUNDATION_DEBUG_CHECK(objects[i] != nullptr, "_JTArrayCreate given a null object",
            "give every element an object (the platform's null is Null::null(), not a null pointer)");
#endif
    if (count > (std::numeric_limits<std::size_t>::max() - sizeof(JTArray)) / sizeof(Object*))
        return nullptr;
    std::size_t bytes = count * sizeof(Object*);
    if (!isMutable) {
        JTArray* array = new (bytes, std::nothrow) JTArray(nullptr, count, false);
        if (!array)
            return nullptr;
        array->objects_ = array->inlineElements();
        if (bytes)
            std::memcpy(array->objects_, objects, bytes);
        return Ref<JTArray>::adopt(array);
    }
    // A mutable array's block grows on its own; an empty one still owns a
    // block, so the element pointer is never null.
    auto* block = static_cast<Object**>(std::malloc(bytes ? bytes : 1));
    if (!block)
        return nullptr;
    if (bytes)
        std::memcpy(block, objects, bytes);
    JTArray* array = new (0, std::nothrow) JTArray(block, count, true);
    if (!array) {
        std::free(block);
        return nullptr;
    }
    return Ref<JTArray>::adopt(array);
}

JTArray::~JTArray()
{
    for (std::size_t i = 0; i < count_; ++i)
        objects_[i]->release();
    if (objects_ != inlineElements())
        std::free(objects_);
}

void JTArray::operator delete(JTArray* array, std::destroying_delete_t) noexcept
{
    // Only an immutable array holds its elements inline, and its capacity
    // never changes.
    std::size_t size = sizeof(JTArray) + (array->isMutable() ? 0 : array->capacity_ * sizeof(Object*));
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
    return objects_[index];
}

void JTArray::getObjects(Object** buffer, foundation::Range range) const
{
    checkRange("getObjects:range:", buffer, range);
    if (range.length)
        std::memcpy(buffer, objects_ + range.location, range.length * sizeof(Object*));
}

std::size_t JTArray::countByEnumerating(foundation::FastEnumerationState& state, Object** buffer,
    std::size_t length) const
{
    if (state.state == 0) {
        state.itemsPtr = buffer;
        state.mutationsPtr = &mutations_;
    }
    if (state.state >= count_)
        return 0;
    std::size_t batch = std::min(length, count_ - state.state);
    std::memcpy(buffer, objects_ + state.state, batch * sizeof(Object*));
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
    FOUNDATION_PARAMETER_ASSERT((array.objects_ != nullptr) && (object != nullptr) && (index <= array.count_)
        && (array.count_ <= array.capacity_));
    if (array.count_ + 1 >= array.capacity_) {
        std::size_t capacity = array.capacity_ + GrowthSlots;
        void* grown = capacity <= std::numeric_limits<std::size_t>::max() / sizeof(Object*)
            ? std::realloc(array.objects_, capacity * sizeof(Object*))
            : nullptr;
        if (!grown)
            foundation::raise(foundation::ExceptionName::Malloc, "Unable to resize objects array.");
        array.objects_ = static_cast<Object**>(grown);
        std::memset(array.objects_ + array.count_, 0, (capacity - array.count_) * sizeof(Object*));
        array.capacity_ = capacity;
    }
    object->retain();
    std::memmove(array.objects_ + index + 1, array.objects_ + index, (array.count_ - index) * sizeof(Object*));
    array.objects_[index] = object;
    ++array.count_;
}

// The element is released last, once the array no longer holds it: its
// teardown may reach back into the array.
void _JTArrayRemoveObjectAtIndex(JTArray& array, std::size_t index)
{
    FOUNDATION_PARAMETER_ASSERT((array.objects_ != nullptr) && (index < array.count_)
        && (array.count_ <= array.capacity_));
    Object* removed = array.objects_[index];
    std::memmove(array.objects_ + index, array.objects_ + index + 1, (array.count_ - index - 1) * sizeof(Object*));
    array.objects_[--array.count_] = nullptr;
    removed->release();
}

void _JTArrayReplaceObjectAtIndexWithObject(JTArray& array, std::size_t index, Object* object)
{
    FOUNDATION_PARAMETER_ASSERT((array.objects_ != nullptr) && (object != nullptr) && (index < array.count_));
    object->retain();
    Object* replaced = std::exchange(array.objects_[index], object);
    replaced->release();
}

} // namespace jotter
