#include "foundation/objects/internal/ConcreteDictionary.h"

namespace foundation {

Object* DictionaryStorage::find(const Object* key) const
{
    if (!key)
        return nullptr;
    auto found = index_.find(key);
    return found == index_.end() ? nullptr : pairs_[found->second].second.get();
}

bool DictionaryStorage::set(Ref<Object> key, Ref<Object> value)
{
    auto found = index_.find(key.get());
    if (found != index_.end()) {
        pairs_[found->second].second = std::move(value);
        return false;
    }
    index_.emplace(key.get(), pairs_.size());
    pairs_.emplace_back(std::move(key), std::move(value));
    return true;
}

bool DictionaryStorage::remove(const Object* key)
{
    auto found = index_.find(key);
    if (found == index_.end())
        return false;
    std::size_t position = found->second;
    index_.erase(found);
    pairs_.erase(pairs_.begin() + static_cast<std::ptrdiff_t>(position));
    for (auto& entry : index_) {
        if (entry.second > position)
            --entry.second;
    }
    return true;
}

std::size_t DictionaryStorage::enumerate(FastEnumerationState& state, Object** buffer, std::size_t length) const
{
    std::size_t produced = 0;
    while (produced < length && state.state < pairs_.size())
        buffer[produced++] = pairs_[state.state++].first.get();
    state.itemsPtr = buffer;
    return produced;
}

void DictionaryStorage::copyOut(Object** objects, Object** keys) const noexcept
{
    for (std::size_t i = 0; i < pairs_.size(); ++i) {
        if (objects)
            objects[i] = pairs_[i].second.get();
        if (keys)
            keys[i] = pairs_[i].first.get();
    }
}

DictionaryStorage copyPairs(const Dictionary& dictionary)
{
    DictionaryStorage storage;
    for (Object* key : FastEnumeration(dictionary))
        storage.set(key->copy(), Ref<Object>(dictionary.objectForKey(key)));
    return storage;
}

std::size_t ConcreteDictionary::countByEnumerating(FastEnumerationState& state, Object** buffer, std::size_t length) const
{
    if (state.state == 0)
        state.mutationsPtr = &state.extra[0];
    return storage_.enumerate(state, buffer, length);
}

std::size_t ConcreteMutableDictionary::countByEnumerating(FastEnumerationState& state, Object** buffer,
                                                          std::size_t length) const
{
    if (state.state == 0)
        state.mutationsPtr = &mutations_;
    return storage_.enumerate(state, buffer, length);
}

void ConcreteMutableDictionary::setObject(Object* object, Object* key)
{
    checkSetObjectArguments(object, key);
    storage_.set(key->copy(), Ref<Object>(object));
    mutated();
}

void ConcreteMutableDictionary::removeObjectForKey(const Object* key)
{
    checkRemoveKey(key);
    if (storage_.remove(key))
        mutated();
}

} // namespace foundation
