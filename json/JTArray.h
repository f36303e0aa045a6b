#pragma once

#include "foundation/objects/Array.h"
#include "foundation/objects/SmallObjectPool.h"
#include "json/JTCollectionRefusals.h"
#include "json/JTSlot.h"

#include <cstddef>
#include <new>

namespace jotter {

class JTArray;

// Makes the array the decoder returns for a JSON array. Each of the `count`
// slots is an immediate number or a non-null reference already owned once
// by the caller; on success the array takes them over as they are (nothing
// is retained again) and its capacity equals `count`. Returns null when
// memory runs out; the caller then still owns the references.
[[nodiscard]] foundation::Ref<JTArray> _JTArrayCreate(const JTSlot* slots, std::size_t count, bool isMutable);

// The library's array: immutable or mutable for life, as its factory made it.
// It overrides only the platform's primitive array operations, so every
// other Array/MutableArray operation works on it unchanged.
//
// A decoded number may sit in its slot as an immediate value (JTSlot). The
// first operation that hands it out as an object makes the number object
// and keeps it in the slot, so the element answers the same object from
// then on, and the array still owns one reference per element. Reading can
// therefore write the array: one thread at a time, for reads too.
//
// Mutating an immutable array raises NSInternalInconsistencyException; nil
// elements and bad indexes raise as the platform's arrays do; a block that
// cannot grow raises NSMallocException.
class JTArray final : public foundation::MutableArray {
public:
    // Hides the platform's array factories, which would quietly make a
    // plain array: a JTArray comes from _JTArrayCreate only.
    template <typename... Arguments>
    [[noreturn]] static void create(const Arguments&...)
    {
        jt_raisePrivateClass("JTArray");
    }

    std::size_t count() const override { return count_; }
    foundation::Object* objectAtIndex(std::size_t index) const override;
    void getObjects(foundation::Object** buffer, foundation::Range range) const override;
    std::size_t countByEnumerating(foundation::FastEnumerationState& state, foundation::Object** buffer,
        std::size_t length) const override;

    void insertObject(foundation::Object* object, std::size_t index) override;
    void removeObjectAtIndex(std::size_t index) override;
    void replaceObjectAtIndex(std::size_t index, foundation::Object* object) override;

    // An immutable array is its own copy; a mutable one copies to a plain
    // immutable array. mutableCopy() always gives a plain mutable array.
    foundation::Ref<foundation::Object> copy() const override;

    const char* className() const override { return "JTArray"; }
    bool isMutable() const noexcept { return isMutable_; }

    // The slots in order, for walks that read them in place without boxing.
    friend const JTSlot* _JTArraySlots(const JTArray& array) noexcept { return array.slots(); }
    // The counter a walk in place watches for changes; 0 for an immutable array.
    unsigned long mutationCount() const noexcept { return isMutable_ ? growable().mutations : 0; }
    // Slots in the element block; a mutable array's grows by 16 and never
    // shrinks, an immutable array's is its count.
    std::size_t capacity() const noexcept { return isMutable_ ? growable().capacity : count_; }

private:
    friend foundation::Ref<JTArray> _JTArrayCreate(const JTSlot*, std::size_t, bool);
    // The storage steps behind the mutating operations, run after their
    // refusals; each takes or gives up exactly one reference.
    friend void _JTArrayInsertObjectAtIndex(JTArray& array, foundation::Object* object, std::size_t index);
    friend void _JTArrayRemoveObjectAtIndex(JTArray& array, std::size_t index);
    friend void _JTArrayReplaceObjectAtIndexWithObject(JTArray& array, std::size_t index, foundation::Object* object);

    // What only a mutable array needs: an element block that grows on its
    // own (count immediates or strong references, then empty slots) and
    // the counter fast enumeration watches.
    struct Growable {
        JTSlot* slots;
        std::size_t capacity;
        unsigned long mutations;
    };

    JTArray(std::size_t count, bool isMutable) noexcept : isMutable_(isMutable), count_(count) {}
    ~JTArray() override;

    // Right after the header, in the same allocation, an immutable array
    // keeps its slots and a mutable one its Growable: one block instead of
    // two for every array a document holds, and a header of the three words
    // every array needs. Freeing the block needs its size, read before the
    // destructor runs.
    static void* operator new(std::size_t size, std::size_t extraBytes, const std::nothrow_t&) noexcept
    {
        return foundation::smallObjectPool::allocate(size + extraBytes, std::nothrow);
    }
    static void operator delete(JTArray* array, std::destroying_delete_t) noexcept;
    std::size_t allocationSize() const noexcept;
    JTSlot* inlineSlots() const noexcept { return reinterpret_cast<JTSlot*>(const_cast<JTArray*>(this) + 1); }
    Growable& growable() const noexcept
    {
        FOUNDATION_DEBUG_CHECK(isMutable_, "the growable state of an immutable JTArray",
            "test isMutable() first: an immutable array keeps its slots where a mutable one keeps this state");
        return *reinterpret_cast<Growable*>(const_cast<JTArray*>(this) + 1);
    }
    JTSlot* slots() const noexcept { return isMutable_ ? growable().slots : inlineSlots(); }

    void checkMutable(const char* selector) const;
    // Hands out `length` elements from `location` as objects, boxing any
    // immediate number among them in place.
    void copyObjects(foundation::Object** buffer, std::size_t location, std::size_t length) const;
    void mutated() noexcept { growable().mutations = foundation::nextMutationCount(growable().mutations); }

    // Fixed at creation. It lies in the base object's tail padding, so the
    // header is the object's two words and the count.
    bool isMutable_;
    std::size_t count_;
};

static_assert(sizeof(JTArray) == 3 * sizeof(void*), "an immutable array's header is its object header and its count");

} // namespace jotter
