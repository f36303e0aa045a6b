#include "json/JTDictionary.h"

#include "foundation/objects/DebugCheck.h"
#include "foundation/objects/Exception.h"
#include "foundation/objects/SmallObjectPool.h"
#include "json/internal/JTDictionaryCapacities.h"
#include "json/JTDictionaryEnumerator.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace jotter {

using foundation::Object;
using foundation::Ref;

namespace {

// A table of `capacity` free slots; none for capacity 0, which no lookup reads.
JTHashTableEntry* allocateTable(std::size_t capacity) noexcept
{
    return capacity ? static_cast<JTHashTableEntry*>(std::calloc(capacity, sizeof(JTHashTableEntry))) : nullptr;
}

} // namespace

Ref<JTDictionary> _JTDictionaryCreate(Object* const* keys, const std::uint64_t* keyHashes, const JTSlot* values,
    std::size_t count, bool isMutable, JTBeforeReplacing beforeReplacing)
{
    // The dictionary adopts these references and trusts these hashes: a null
    // or a wrong hash would corrupt the table.
    FOUNDATION_DEBUG_CHECK((keys != nullptr && keyHashes != nullptr && values != nullptr) || count == 0,
        "_JTDictionaryCreate given no key, hash or value arrays for a non-empty dictionary",
        "pass the three arrays of the count's length, or a count of 0");
#if FOUNDATION_DEBUG_CHECKS
    for (std::size_t i = 0; i < count; ++i)
        FOUNDATION_DEBUG_CHECK(keys[i] != nullptr && !values[i].isEmpty() && keyHashes[i] == foundation::hashOf(*keys[i]),
            "_JTDictionaryCreate given a null key, an empty value, or a key with a hash that is not its own",
            "give every pair a key and a value, and each key the hash foundation::hashOf answers for it");
#endif
    std::size_t capacity = _JTDictionaryCapacityForCount(count);
    JTDictionary* dictionary;
    if (!isMutable) {
        dictionary = new (capacity * sizeof(JTHashTableEntry), std::nothrow) JTDictionary(capacity, false);
        if (!dictionary)
            return nullptr;
    } else {
        JTHashTableEntry* table = allocateTable(capacity);
        if (capacity && !table)
            return nullptr;
        dictionary = new (sizeof(JTDictionary::Growable), std::nothrow) JTDictionary(capacity, true);
        if (!dictionary) {
            std::free(table);
            return nullptr;
        }
        // The pairs going in below are the dictionary's first state, not
        // changes to it: the counter starts at 1 once they are in.
        new (&dictionary->growable()) JTDictionary::Growable{table, 1};
    }
    for (std::size_t i = 0; i < count; ++i)
        _JTDictionaryAddObject(*dictionary, keyHashes[i], keys[i], values[i], beforeReplacing);
    return Ref<JTDictionary>::adopt(dictionary);
}

JTDictionary::~JTDictionary()
{
    JTHashTableEntry* table = entries();
    for (std::size_t slot = 0; slot < capacity_; ++slot) {
        if (JTHashTableEntry& entry = table[slot]; entry.key) {
            entry.key->release();
            entry.value.release();
        }
    }
    if (isMutable_)
        std::free(table);
}

void* JTDictionary::operator new(std::size_t size, std::size_t extraBytes, const std::nothrow_t&) noexcept
{
    std::size_t bytes = size + extraBytes;
    void* memory = foundation::smallObjectPool::allocate(bytes, std::nothrow);
    if (memory)
        std::memset(memory, 0, bytes);
    return memory;
}

std::size_t JTDictionary::allocationSize() const noexcept
{
    // Only an immutable dictionary holds its table inline, and its capacity
    // never changes.
    return sizeof(JTDictionary) + (isMutable_ ? sizeof(Growable) : capacity_ * sizeof(JTHashTableEntry));
}

void JTDictionary::operator delete(JTDictionary* dictionary, std::destroying_delete_t) noexcept
{
    std::size_t size = dictionary->allocationSize();
    dictionary->~JTDictionary();
    foundation::smallObjectPool::deallocate(dictionary, size);
}

void JTDictionary::checkMutable(const char* selector) const
{
    if (!isMutable())
        jt_raiseMutatingImmutable(*this, selector);
}

std::size_t JTDictionary::findSlot(std::uint64_t keyHash, const Object* key) const noexcept
{
    std::size_t slot = keyHash % capacity_;
    const JTHashTableEntry* table = entries();
    for (std::size_t probes = 0; probes < capacity_; ++probes) {
        const JTHashTableEntry& entry = table[slot];
        if (!entry.key)
            return slot;
        // The stored hash settles most mismatches without a call.
        if (key && entry.keyHash == keyHash && (entry.key == key || entry.key->isEqual(*key)))
            return slot;
        if (++slot == capacity_)
            slot = 0;
    }
    return capacity_;
}

JTHashTableEntry* _JTDictionaryHashTableEntryForKey(const JTDictionary& dictionary, const Object* key)
{
    if (!key || dictionary.capacity_ == 0)
        return nullptr;
    std::size_t slot = dictionary.findSlot(foundation::hashOf(*key), key);
    if (slot == dictionary.capacity_ || !dictionary.entries()[slot].key)
        return nullptr;
    return &dictionary.entries()[slot];
}

void _JTDictionaryAddObject(JTDictionary& dictionary, std::uint64_t keyHash, Object* key, JTSlot value,
    JTBeforeReplacing beforeReplacing)
{
    FOUNDATION_PARAMETER_ASSERT((key != nullptr) && !value.isEmpty()
        && (dictionary.count_ < dictionary.capacity_) && (dictionary.entries() != nullptr));
    std::size_t slot = dictionary.findSlot(keyHash, key);
    // With count < capacity there is always a free slot, so the probe
    // ends at an equal key or a free slot, and a removal frees one more.
    FOUNDATION_DEBUG_CHECK(slot < dictionary.capacity_, "a JTDictionary probe found neither the key nor a free slot",
        "keep the count below the capacity, which every insertion grows the table to keep");
    JTHashTableEntry* table = dictionary.entries();
    if (table[slot].key) {
        if (beforeReplacing.run)
            beforeReplacing.run(beforeReplacing.context);
        _JTDictionaryRemoveObjectWithEntry(dictionary, slot);
        slot = dictionary.findSlot(keyHash, nullptr);
    }
    table[slot] = {keyHash, key, value};
    ++dictionary.count_;
}

// Without deletion markers, every pair of the cluster after the freed slot
// is placed again, so that none is cut off from its home slot. The removed
// key and value are released last, once the table is whole again.
void _JTDictionaryRemoveObjectWithEntry(JTDictionary& dictionary, std::size_t removeIdx)
{
    JTHashTableEntry* table = dictionary.entries();
    FOUNDATION_PARAMETER_ASSERT((removeIdx < dictionary.capacity_) && (table[removeIdx].key != nullptr));
    JTHashTableEntry removed = std::exchange(table[removeIdx], JTHashTableEntry{});
    --dictionary.count_;
    std::size_t slot = removeIdx;
    for (std::size_t step = 1; step < dictionary.capacity_; ++step) {
        if (++slot == dictionary.capacity_)
            slot = 0;
        JTHashTableEntry lifted = std::exchange(table[slot], JTHashTableEntry{});
        if (!lifted.key)
            break;
        table[dictionary.findSlot(lifted.keyHash, nullptr)] = lifted;
    }
    removed.key->release();
    removed.value.release();
}

// Growth is judged on count + 1 before the key is looked for, so setting a
// present key can grow the table too. Pairs move with their stored hashes.
void _JTDictionaryResizeIfNeccessary(JTDictionary& dictionary)
{
    std::size_t capacity = _JTDictionaryCapacityForCount(dictionary.count_ + 1);
    if (dictionary.capacity_ >= capacity)
        return;
    JTHashTableEntry* table = allocateTable(capacity);
    if (!table)
        foundation::raise(foundation::ExceptionName::Malloc, "Unable to allocate memory for hash table.");
    JTHashTableEntry* oldTable = std::exchange(dictionary.growable().entries, table);
    std::size_t oldCapacity = std::exchange(dictionary.capacity_, capacity);
    std::size_t placed = 0;
    for (std::size_t slot = 0; slot < oldCapacity; ++slot) {
        if (oldTable[slot].key) {
            table[dictionary.findSlot(oldTable[slot].keyHash, nullptr)] = oldTable[slot];
            ++placed;
        }
    }
    std::free(oldTable);
    FOUNDATION_PARAMETER_ASSERT(placed == dictionary.count_);
}

Object* JTDictionary::objectForKey(const Object* key) const
{
    JTHashTableEntry* entry = _JTDictionaryHashTableEntryForKey(*this, key);
    return entry ? jt_slotObject(entry->value) : nullptr;
}

std::size_t JTDictionary::countByEnumerating(foundation::FastEnumerationState& state, Object** buffer,
    std::size_t length) const
{
    if (state.state == 0)
        // An immutable dictionary never changes: its walks watch a zero of their own.
        state.mutationsPtr = isMutable_ ? &growable().mutations : &state.extra[0];
    state.itemsPtr = buffer;
    std::size_t produced = 0;
    std::size_t slot = state.state;
    const JTHashTableEntry* table = entries();
    for (; produced < length && slot < capacity_; ++slot) {
        if (Object* key = table[slot].key)
            buffer[produced++] = key;
    }
    state.state = slot;
    return produced;
}

void JTDictionary::getObjectsAndKeys(Object** objects, Object** keys) const
{
    std::size_t position = 0;
    JTHashTableEntry* table = entries();
    for (std::size_t slot = 0; slot < capacity_; ++slot) {
        JTHashTableEntry& entry = table[slot];
        if (!entry.key)
            continue;
        if (objects)
            objects[position] = jt_slotObject(entry.value);
        if (keys)
            keys[position] = entry.key;
        ++position;
    }
}

Ref<foundation::Enumerator> JTDictionary::keyEnumerator() const
{
    return JTDictionaryEnumerator::initWithJTDictionary(*this);
}

void JTDictionary::setObject(Object* object, Object* key)
{
    checkMutable("setObject:forKey:");
    checkSetObjectArguments(object, key);
    _JTDictionaryResizeIfNeccessary(*this);
    Ref<Object> storedKey = key->copy();
    std::uint64_t keyHash = foundation::hashOf(*storedKey);
    object->retain();
    _JTDictionaryAddObject(*this, keyHash, storedKey.leak(), JTSlot::fromObject(object), {});
    mutated();
}

void JTDictionary::removeObjectForKey(const Object* key)
{
    checkMutable("removeObjectForKey:");
    checkRemoveKey(key);
    const JTHashTableEntry* entry = _JTDictionaryHashTableEntryForKey(*this, key);
    if (!entry)
        return;
    _JTDictionaryRemoveObjectWithEntry(*this, static_cast<std::size_t>(entry - entries()));
    mutated();
}

Ref<Object> JTDictionary::copy() const
{
    return isMutable() ? MutableDictionary::copy() : Dictionary::copy();
}

} // namespace jotter
