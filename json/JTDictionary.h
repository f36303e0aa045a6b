#pragma once

#include "foundation/objects/Dictionary.h"
#include "json/JTCollectionRefusals.h"
#include "json/JTSlot.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace jotter {

class JTDictionary;

// One slot of the hash table. A slot is occupied exactly when `key` is
// non-null (and then `value` is not empty); a free slot is all zero.
struct JTHashTableEntry {
    std::uint64_t keyHash;  // the key's hashOf(), kept so no key is hashed twice
    foundation::Object* key;  // strong
    JTSlot value;  // an immediate number or a strong reference
};

// Makes the dictionary the decoder returns for a JSON object from three
// parallel runs of `count` entries: keys, their hashOf() values, and values.
// Every key is non-null and every value an immediate number or a non-null
// reference, all already owned once by the caller; on success the
// dictionary takes them over without retaining them again. The
// pairs go in in run order, so a later equal key replaces an earlier pair
// (whose key and value are released) and is counted once.
//
// Returns null when memory runs out; the caller then still owns every
// reference. A count no hash table can hold raises NSRangeException before
// anything is taken over.
//
// `beforeReplacing`, when set, runs before each pair a later equal key
// replaces is released: the decoder counts the references it owes first.
struct JTBeforeReplacing {
    void (*run)(void* context) = nullptr;
    void* context = nullptr;
};
[[nodiscard]] foundation::Ref<JTDictionary> _JTDictionaryCreate(foundation::Object* const* keys,
    const std::uint64_t* keyHashes, const JTSlot* values, std::size_t count, bool isMutable,
    JTBeforeReplacing beforeReplacing = {});

// The library's dictionary: an open-addressing hash table with linear
// probing and no deletion markers, sized along jt_dictionaryCapacities.
// Immutable or mutable for life, as its factory made it. It overrides only
// the platform's primitive dictionary operations; keys come out of every
// walk in table slot order.
//
// A decoded number value may sit in its slot as an immediate (JTSlot),
// made into a number object the first time it is handed out and kept so;
// as with JTArray, reading can write the table, so one thread at a time,
// for reads too. Keys are always objects.
//
// Mutating an immutable dictionary raises NSInternalInconsistencyException;
// nil keys and values raise as the platform's dictionaries do; a table that
// cannot grow raises NSMallocException.
class JTDictionary final : public foundation::MutableDictionary {
public:
    // Hides the platform's dictionary factories, which would quietly make a
    // plain dictionary: a JTDictionary comes from _JTDictionaryCreate only.
    template <typename... Arguments>
    [[noreturn]] static void create(const Arguments&...)
    {
        jt_raisePrivateClass("JTDictionary");
    }

    std::size_t count() const override { return count_; }
    foundation::Object* objectForKey(const foundation::Object* key) const override;
    using Dictionary::objectForKey;
    std::size_t countByEnumerating(foundation::FastEnumerationState& state, foundation::Object** buffer,
        std::size_t length) const override;
    void getObjectsAndKeys(foundation::Object** objects, foundation::Object** keys) const override;
    foundation::Ref<foundation::Enumerator> keyEnumerator() const override;

    // Stores a copy of the key and the value retained. The table grows
    // first when count + 1 pairs need a larger one, even if the key is
    // already present.
    void setObject(foundation::Object* object, foundation::Object* key) override;
    using MutableDictionary::setObject;
    void removeObjectForKey(const foundation::Object* key) override;

    // An immutable dictionary is its own copy; a mutable one copies to a
    // plain immutable dictionary. mutableCopy() always gives a plain mutable one.
    foundation::Ref<foundation::Object> copy() const override;

    const char* className() const override { return "JTDictionary"; }
    bool isMutable() const noexcept { return isMutable_; }

    // The table and its size, for walks in slot order.
    friend const JTHashTableEntry* _JTDictionaryHashEntry(const JTDictionary& dictionary) noexcept
    {
        return dictionary.entries();
    }
    friend std::size_t _JTDictionaryCapacity(const JTDictionary& dictionary) noexcept
    {
        return dictionary.capacity_;
    }
    // The counter a walk in place watches for changes; 0 for an immutable dictionary.
    unsigned long mutationCount() const noexcept { return isMutable_ ? growable().mutations : 0; }

private:
    friend foundation::Ref<JTDictionary> _JTDictionaryCreate(foundation::Object* const*, const std::uint64_t*,
        const JTSlot*, std::size_t, bool, JTBeforeReplacing);
    // The table steps behind the operations, run after their refusals.
    friend JTHashTableEntry* _JTDictionaryHashTableEntryForKey(const JTDictionary& dictionary,
        const foundation::Object* key);
    // Takes over the key and the value.
    friend void _JTDictionaryAddObject(JTDictionary& dictionary, std::uint64_t keyHash, foundation::Object* key,
        JTSlot value, JTBeforeReplacing beforeReplacing);
    friend void _JTDictionaryRemoveObjectWithEntry(JTDictionary& dictionary, std::size_t removeIdx);
    friend void _JTDictionaryResizeIfNeccessary(JTDictionary& dictionary);

    // What only a mutable dictionary needs: a table that grows on its own
    // (capacity_ slots, owned) and the counter fast enumeration watches.
    struct Growable {
        JTHashTableEntry* entries;
        unsigned long mutations;
    };

    JTDictionary(std::size_t capacity, bool isMutable) noexcept : isMutable_(isMutable), capacity_(capacity) {}
    ~JTDictionary() override;

    // Right after the header, in the same zeroed allocation, an immutable
    // dictionary keeps its table, which never grows, and a mutable one its
    // Growable. Freeing the block needs its size, read before the
    // destructor runs.
    static void* operator new(std::size_t size, std::size_t extraBytes, const std::nothrow_t&) noexcept;
    static void operator delete(JTDictionary* dictionary, std::destroying_delete_t) noexcept;
    std::size_t allocationSize() const noexcept;
    JTHashTableEntry* inlineTable() const noexcept
    {
        return reinterpret_cast<JTHashTableEntry*>(const_cast<JTDictionary*>(this) + 1);
    }
    Growable& growable() const noexcept
    {
        FOUNDATION_DEBUG_CHECK(isMutable_, "the growable state of an immutable JTDictionary",
            "test isMutable() first: an immutable dictionary keeps its table where a mutable one keeps this state");
        return *reinterpret_cast<Growable*>(const_cast<JTDictionary*>(this) + 1);
    }
    JTHashTableEntry* entries() const noexcept { return isMutable_ ? growable().entries : inlineTable(); }

    void checkMutable(const char* selector) const;
    // The slot holding an equal key, else the first free slot on the key's
    // probe path; a null key asks for the first free slot only. capacity_
    // when the table is full and holds no equal key.
    std::size_t findSlot(std::uint64_t keyHash, const foundation::Object* key) const noexcept;
    void mutated() noexcept { growable().mutations = foundation::nextMutationCount(growable().mutations); }

    // Fixed at creation. It lies in the base object's tail padding, so the
    // header is the object's two words, the count and the capacity.
    bool isMutable_;
    std::size_t count_ = 0;
    std::size_t capacity_;  // always one of jt_dictionaryCapacities
};

static_assert(sizeof(JTDictionary) == 4 * sizeof(void*),
    "an immutable dictionary's header is its object header, its count and its capacity");

} // namespace jotter
