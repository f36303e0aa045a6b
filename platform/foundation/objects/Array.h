#pragma once

#include "foundation/objects/FastEnumeration.h"
#include "foundation/objects/Object.h"

#include <cstddef>
#include <initializer_list>
#include <vector>

namespace foundation {

class MutableArray;

struct Range {
    std::size_t location = 0;
    std::size_t length = 0;
};

// An ordered collection of non-null objects. Subclasses supply the
// primitives (count, objectAtIndex); everything else is built on them and
// may be overridden for speed.
class Array : public Object {
public:
    static Ref<Array> create(const std::vector<Ref<Object>>& objects = {});
    static Ref<Array> create(std::initializer_list<Object*> objects);
    static Ref<Array> create(Object* const* objects, std::size_t count);

    virtual std::size_t count() const = 0;
    // The element, not retained; an index past the end raises a range exception.
    virtual Object* objectAtIndex(std::size_t index) const = 0;
    // Copies the references in the range, not retained.
    virtual void getObjects(Object** buffer, Range range) const;
    virtual std::size_t countByEnumerating(FastEnumerationState& state, Object** buffer, std::size_t length) const;

    bool containsObject(const Object& object) const;
    // The elements as retained references.
    std::vector<Ref<Object>> objects() const;
    Ref<MutableArray> mutableCopy() const;

    const char* className() const override { return "NSArray"; }
    std::string description() const override { return descriptionWithIndent(0); }
    std::string descriptionWithIndent(unsigned level) const override;
    bool isEqual(const Object& other) const override;
    std::uint64_t hash() const override { return count(); }
    Ref<Object> copy() const override;

    // Checks a range against count() before copying it out: a null buffer
    // for a non-empty range, or a range past the end, raises.
    void checkRange(const char* selector, Object** buffer, Range range) const;

protected:
    Array() noexcept : Object(Kind::Array) {}
    // Raises the platform's range exception for an index at or past `bound`.
    [[noreturn]] void raiseIndexBeyondBounds(const char* selector, std::size_t index, std::size_t bound) const;
    // The counter fast enumeration watches; null for an array that never changes.
    virtual unsigned long* mutationsPointer() const { return nullptr; }
};

// An array that can change. Subclasses supply insert, remove and replace.
class MutableArray : public Array {
public:
    static Ref<MutableArray> create();

    virtual void insertObject(Object* object, std::size_t index) = 0;
    virtual void removeObjectAtIndex(std::size_t index) = 0;
    virtual void replaceObjectAtIndex(std::size_t index, Object* object) = 0;

    void addObject(Object* object) { insertObject(object, count()); }
    void removeLastObject();
    void removeAllObjects();

    const char* className() const override { return "NSMutableArray"; }
    Ref<Object> copy() const override;

protected:
    // Raises the platform's invalid-argument exception for a nil element.
    [[noreturn]] void raiseInsertNil(const char* selector) const;
};

} // namespace foundation
