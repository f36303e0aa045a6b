#include "foundation/objects/Dictionary.h"

#include "foundation/objects/Array.h"
#include "foundation/objects/internal/ConcreteDictionary.h"
#include "foundation/objects/Exception.h"
#include "foundation/objects/Format.h"
#include "foundation/objects/String.h"

#include <algorithm>

namespace foundation {

namespace {

// Walks a snapshot of keys taken when the enumerator was made.
class SnapshotEnumerator final : public Enumerator {
public:
    explicit SnapshotEnumerator(std::vector<Ref<Object>> objects) : objects_(std::move(objects)) {}
    Object* nextObject() override { return next_ < objects_.size() ? objects_[next_++].get() : nullptr; }

private:
    std::vector<Ref<Object>> objects_;
    std::size_t next_ = 0;
};

} // namespace

Ref<Array> Enumerator::allObjects()
{
    std::vector<Ref<Object>> rest;
    while (Object* object = nextObject())
        rest.emplace_back(object);
    return Array::create(rest);
}

Ref<Dictionary> Dictionary::create(std::initializer_list<Pair> pairs)
{
    DictionaryStorage storage;
    for (const Pair& pair : pairs) {
        FOUNDATION_PARAMETER_ASSERT(pair.first != nullptr && pair.second != nullptr);
        storage.set(pair.first->copy(), Ref<Object>(pair.second));
    }
    return Ref<Dictionary>::adopt(new ConcreteDictionary(std::move(storage)));
}

void Dictionary::getObjectsAndKeys(Object** objects, Object** keys) const
{
    std::size_t position = 0;
    for (Object* key : FastEnumeration(*this)) {
        if (objects)
            objects[position] = objectForKey(key);
        if (keys)
            keys[position] = key;
        ++position;
    }
}

Ref<Enumerator> Dictionary::keyEnumerator() const
{
    std::vector<Ref<Object>> keys;
    keys.reserve(count());
    for (Object* key : FastEnumeration(*this))
        keys.emplace_back(key);
    return Ref<Enumerator>::adopt(new SnapshotEnumerator(std::move(keys)));
}

Object* Dictionary::objectForKey(std::string_view key) const
{
    Ref<String> probe = String::create(key);
    return probe ? objectForKey(probe.get()) : nullptr;
}

Ref<Array> Dictionary::allKeys() const
{
    return keyEnumerator()->allObjects();
}

Ref<MutableDictionary> Dictionary::mutableCopy() const
{
    return Ref<MutableDictionary>::adopt(new ConcreteMutableDictionary(copyPairs(*this)));
}

Ref<Object> Dictionary::copy() const
{
    return Object::copy();
}

std::string Dictionary::descriptionWithIndent(unsigned level) const
{
    // The platform lists string keys in sorted order.
    std::vector<Object*> keys;
    keys.reserve(count());
    for (Object* key : FastEnumeration(*this))
        keys.push_back(key);
    if (std::all_of(keys.begin(), keys.end(), [](Object* key) { return key->isString(); })) {
        std::sort(keys.begin(), keys.end(), [](Object* a, Object* b) {
            return static_cast<String*>(a)->compare(*static_cast<String*>(b)) < 0;
        });
    }
    std::string indent(4 * level, ' ');
    std::string inner(4 * (level + 1), ' ');
    std::string text = indent + "{\n";
    for (Object* key : keys) {
        text += inner + key->descriptionWithIndent(level + 1) + " = "
            + objectForKey(key)->descriptionWithIndent(level + 1) + ";\n";
    }
    return text + indent + "}";
}

bool Dictionary::isEqual(const Object& other) const
{
    if (!other.isDictionary())
        return false;
    const auto& dictionary = static_cast<const Dictionary&>(other);
    if (dictionary.count() != count())
        return false;
    for (Object* key : FastEnumeration(*this)) {
        if (!equal(objectForKey(key), dictionary.objectForKey(key)))
            return false;
    }
    return true;
}

Ref<MutableDictionary> MutableDictionary::create()
{
    return Ref<MutableDictionary>::adopt(new ConcreteMutableDictionary);
}

void MutableDictionary::setObject(Object* object, std::string_view key)
{
    setObject(object, String::createUnchecked(key).get());
}

void MutableDictionary::checkSetObjectArguments(const Object* object, const Object* key) const
{
    if (!key)
        raise(ExceptionName::InvalidArgument, format("*** -[%s setObject:forKey:]: attempt to insert nil key", className()));
    if (!object) {
        raise(ExceptionName::InvalidArgument,
              format("*** -[%s setObject:forKey:]: attempt to insert nil value (key: %@)", className(), key));
    }
}

void MutableDictionary::checkRemoveKey(const Object* key) const
{
    if (!key)
        raise(ExceptionName::InvalidArgument, format("*** -[%s removeObjectForKey:]: attempt to remove nil key", className()));
}

Ref<Object> MutableDictionary::copy() const
{
    return Ref<Object>::adopt(new ConcreteDictionary(copyPairs(*this)));
}

} // namespace foundation
