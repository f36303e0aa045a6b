#include "foundation/objects/internal/ConcreteArray.h"

namespace foundation {

namespace {

// Both plain arrays hand out their references in one pass, without a
// virtual call and a bounds check per element.
void copyElements(const Array& array, const std::vector<Ref<Object>>& objects, Object** buffer, Range range)
{
    array.checkRange("getObjects:range:", buffer, range);
    for (std::size_t i = 0; i < range.length; ++i)
        buffer[i] = objects[range.location + i].get();
}

} // namespace

void ConcreteArray::getObjects(Object** buffer, Range range) const
{
    copyElements(*this, objects_, buffer, range);
}

void ConcreteMutableArray::getObjects(Object** buffer, Range range) const
{
    copyElements(*this, objects_, buffer, range);
}

Object* ConcreteArray::objectAtIndex(std::size_t index) const
{
    if (index >= objects_.size())
        raiseIndexBeyondBounds("objectAtIndex:", index, objects_.size());
    return objects_[index].get();
}

Object* ConcreteMutableArray::objectAtIndex(std::size_t index) const
{
    if (index >= objects_.size())
        raiseIndexBeyondBounds("objectAtIndex:", index, objects_.size());
    return objects_[index].get();
}

void ConcreteMutableArray::insertObject(Object* object, std::size_t index)
{
    if (!object)
        raiseInsertNil("insertObject:atIndex:");
    if (index > objects_.size())
        raiseIndexBeyondBounds("insertObject:atIndex:", index, objects_.size() + 1);
    objects_.insert(objects_.begin() + static_cast<std::ptrdiff_t>(index), Ref<Object>(object));
    mutated();
}

void ConcreteMutableArray::removeObjectAtIndex(std::size_t index)
{
    if (index >= objects_.size())
        raiseIndexBeyondBounds("removeObjectAtIndex:", index, objects_.size());
    objects_.erase(objects_.begin() + static_cast<std::ptrdiff_t>(index));
    mutated();
}

void ConcreteMutableArray::replaceObjectAtIndex(std::size_t index, Object* object)
{
    if (!object)
        raiseInsertNil("replaceObjectAtIndex:withObject:");
    if (index >= objects_.size())
        raiseIndexBeyondBounds("replaceObjectAtIndex:withObject:", index, objects_.size());
    objects_[index] = Ref(object);
    mutated();
}

} // namespace foundation
