#pragma once

#include "foundation/objects/FastEnumeration.h"
#include "foundation/objects/Object.h"

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

namespace foundation {

class Array;
class MutableDictionary;

// Walks a collection one object at a time (the platform's NSEnumerator).
class Enumerator : public Object {
public:
    // The next object, not retained, or null at the end.
    virtual Object* nextObject() = 0;
    // What nextObject still yields, as a new array.
    Ref<Array> allObjects();

    const char* className() const override { return "NSEnumerator"; }
};

// Keys mapped to values, both non-null; keys are compared with equal() and
// hashOf(). Subclasses supply the primitives (count, objectForKey, the
// key enumeration); everything else is built on them.
class Dictionary : public Object {
public:
    using Pair = std::pair<Object*, Object*>;  // key, value
    static Ref<Dictionary> create(std::initializer_list<Pair> pairs = {});

    virtual std::size_t count() const = 0;
    // The value for an equal key, not retained; null for none or a null key.
    virtual Object* objectForKey(const Object* key) const = 0;
    // Fast enumeration over the keys.
    virtual std::size_t countByEnumerating(FastEnumerationState& state, Object** buffer, std::size_t length) const = 0;
    // Values and keys in enumeration order; either buffer may be null.
    virtual void getObjectsAndKeys(Object** objects, Object** keys) const;
    virtual Ref<Enumerator> keyEnumerator() const;

    Object* objectForKey(std::string_view key) const;
    Ref<Array> allKeys() const;
    Ref<MutableDictionary> mutableCopy() const;

    const char* className() const override { return "NSDictionary"; }
    std::string description() const override { return descriptionWithIndent(0); }
    std::string descriptionWithIndent(unsigned level) const override;
    bool isEqual(const Object& other) const override;
    std::uint64_t hash() const override { return count(); }
    Ref<Object> copy() const override;

protected:
    Dictionary() noexcept : Object(Kind::Dictionary) {}
};

// A dictionary that can change. setObject stores a copy of the key.
class MutableDictionary : public Dictionary {
public:
    static Ref<MutableDictionary> create();

    virtual void setObject(Object* object, Object* key) = 0;
    virtual void removeObjectForKey(const Object* key) = 0;

    void setObject(Object* object, std::string_view key);

    const char* className() const override { return "NSMutableDictionary"; }
    Ref<Object> copy() const override;

protected:
    // The platform's refusals of a nil key or value, in its order: the key
    // is checked first.
    void checkSetObjectArguments(const Object* object, const Object* key) const;
    void checkRemoveKey(const Object* key) const;
};

} // namespace foundation
