#include "foundation/objects/Array.h"

#include "foundation/objects/internal/ConcreteArray.h"
#include "foundation/objects/Exception.h"
#include "foundation/objects/Format.h"

namespace foundation {

Ref<Array> Array::create(const std::vector<Ref<Object>>& objects)
{
    for (const Ref<Object>& object : objects)
        FOUNDATION_PARAMETER_ASSERT(object != nullptr);
    return Ref<Array>::adopt(new ConcreteArray(objects));
}

Ref<Array> Array::create(std::initializer_list<Object*> objects)
{
    return create(objects.begin(), objects.size());
}

Ref<Array> Array::create(Object* const* objects, std::size_t count)
{
    return create(std::vector<Ref<Object>>(objects, objects + count));
}

void Array::raiseIndexBeyondBounds(const char* selector, std::size_t index, std::size_t bound) const
{
    raise(ExceptionName::Range, format("*** -[%s %s]: index (%lu) beyond bounds (%lu)", className(), selector, index, bound));
}

void Array::checkRange(const char* selector, Object** buffer, Range range) const
{
    if (!buffer && range.length != 0) {
        raise(ExceptionName::Range, format("*** -[%s %s]: pointer to objects array is NULL but range length is %lu",
                                           className(), selector, range.length));
    }
    std::size_t size = count();
    if (range.location > size || range.length > size - range.location)
        raiseIndexBeyondBounds(selector, range.location + range.length, size);
}

void Array::getObjects(Object** buffer, Range range) const
{
    checkRange("getObjects:range:", buffer, range);
    for (std::size_t i = 0; i < range.length; ++i)
        buffer[i] = objectAtIndex(range.location + i);
}

std::size_t Array::countByEnumerating(FastEnumerationState& state, Object** buffer, std::size_t length) const
{
    if (state.state == 0) {
        unsigned long* mutations = mutationsPointer();
        state.mutationsPtr = mutations ? mutations : &state.extra[0];
    }
    std::size_t size = count();
    if (state.state >= size)
        return 0;
    std::size_t batch = std::min(length, size - state.state);
    getObjects(buffer, {state.state, batch});
    state.itemsPtr = buffer;
    state.state += batch;
    return batch;
}

bool Array::containsObject(const Object& object) const
{
    for (Object* element : FastEnumeration(*this)) {
        if (equal(element, &object))
            return true;
    }
    return false;
}

std::vector<Ref<Object>> Array::objects() const
{
    std::vector<Ref<Object>> result;
    result.reserve(count());
    for (Object* element : FastEnumeration(*this))
        result.emplace_back(element);
    return result;
}

Ref<MutableArray> Array::mutableCopy() const
{
    return Ref<MutableArray>::adopt(new ConcreteMutableArray(objects()));
}

Ref<Object> Array::copy() const
{
    return Object::copy();
}

std::string Array::descriptionWithIndent(unsigned level) const
{
    std::string indent(4 * level, ' ');
    std::string inner(4 * (level + 1), ' ');
    std::string text = indent + "(\n";
    bool first = true;
    for (Object* element : FastEnumeration(*this)) {
        if (!first)
            text += ",\n";
        first = false;
        text += inner + element->descriptionWithIndent(level + 1);
    }
    if (!first)
        text += '\n';
    return text + indent + ")";
}

bool Array::isEqual(const Object& other) const
{
    if (!other.isArray())
        return false;
    const auto& array = static_cast<const Array&>(other);
    std::size_t size = count();
    if (array.count() != size)
        return false;
    for (std::size_t i = 0; i < size; ++i) {
        if (!equal(objectAtIndex(i), array.objectAtIndex(i)))
            return false;
    }
    return true;
}

Ref<MutableArray> MutableArray::create()
{
    return Ref<MutableArray>::adopt(new ConcreteMutableArray);
}

void MutableArray::removeLastObject()
{
    if (std::size_t size = count())
        removeObjectAtIndex(size - 1);
}

void MutableArray::removeAllObjects()
{
    while (std::size_t size = count())
        removeObjectAtIndex(size - 1);
}

void MutableArray::raiseInsertNil(const char* selector) const
{
    raise(ExceptionName::InvalidArgument, format("*** -[%s %s]: attempt to insert nil", className(), selector));
}

Ref<Object> MutableArray::copy() const
{
    return Ref<Object>::adopt(new ConcreteArray(objects()));
}

} // namespace foundation
