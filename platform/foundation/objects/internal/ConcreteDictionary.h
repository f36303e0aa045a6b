#pragma once

#include "foundation/objects/Dictionary.h"

#include <unordered_map>
#include <vector>

namespace foundation {

// Pairs kept in insertion order, found through a hash index. Backs
// Dictionary::create and the results of copy/mutableCopy.
class DictionaryStorage {
public:
    std::size_t count() const noexcept { return pairs_.size(); }
    Object* find(const Object* key) const;
    // Returns true when the key was new.
    bool set(Ref<Object> key, Ref<Object> value);
    bool remove(const Object* key);
    std::size_t enumerate(FastEnumerationState& state, Object** buffer, std::size_t length) const;
    // Values and keys in order, straight from the pairs (no lookups).
    void copyOut(Object** objects, Object** keys) const noexcept;

private:
    struct KeyHash {
        std::size_t operator()(const Object* key) const { return hashOf(*key); }
    };
    struct KeyEqual {
        bool operator()(const Object* a, const Object* b) const { return equal(a, b); }
    };

    std::vector<std::pair<Ref<Object>, Ref<Object>>> pairs_;
    std::unordered_map<const Object*, std::size_t, KeyHash, KeyEqual> index_;
};

class ConcreteDictionary final : public Dictionary {
public:
    explicit ConcreteDictionary(DictionaryStorage storage) noexcept : storage_(std::move(storage)) {}

    std::size_t count() const override { return storage_.count(); }
    Object* objectForKey(const Object* key) const override { return storage_.find(key); }
    std::size_t countByEnumerating(FastEnumerationState& state, Object** buffer, std::size_t length) const override;
    void getObjectsAndKeys(Object** objects, Object** keys) const override { storage_.copyOut(objects, keys); }

private:
    DictionaryStorage storage_;
};

class ConcreteMutableDictionary final : public MutableDictionary {
public:
    explicit ConcreteMutableDictionary(DictionaryStorage storage = {}) noexcept : storage_(std::move(storage)) {}

    std::size_t count() const override { return storage_.count(); }
    Object* objectForKey(const Object* key) const override { return storage_.find(key); }
    std::size_t countByEnumerating(FastEnumerationState& state, Object** buffer, std::size_t length) const override;
    void getObjectsAndKeys(Object** objects, Object** keys) const override { storage_.copyOut(objects, keys); }
    void setObject(Object* object, Object* key) override;
    void removeObjectForKey(const Object* key) override;
    using MutableDictionary::setObject;

private:
    void mutated() noexcept { mutations_ = nextMutationCount(mutations_); }

    DictionaryStorage storage_;
    mutable unsigned long mutations_ = 1;
};

// The pairs of any dictionary, copied into new storage (keys copied).
DictionaryStorage copyPairs(const Dictionary& dictionary);

} // namespace foundation
