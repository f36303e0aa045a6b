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
    bool isMutable() const noexcept { return mutations_ != 0; }

    // The slots in order, for walks that read them in place without boxing.
    friend const JTSlot* _JTArraySlots(const JTArray& array) noexcept { return array.slots_; }
    // The counter a walk in place watches for changes; 0 for an immutable array.
    unsigned long mutationCount() const noexcept { return mutations_; }
    // Slots in the element block; it grows by 16 and never shrinks.
    std::size_t capacity() const noexcept { return capacity_; }

private:
    friend foundation::Ref<JTArray> _JTArrayCreate(const JTSlot*, std::size_t, bool);
    // The storage steps behind the mutating operations, run after their
    // refusals; each takes or gives up exactly one reference.
    friend void _JTArrayInsertObjectAtIndex(JTArray& array, foundation::Object* object, std::size_t index);
    friend void _JTArrayRemoveObjectAtIndex(JTArray& array, std::size_t index);
    friend void _JTArrayReplaceObjectAtIndexWithObject(JTArray& array, std::size_t index, foundation::Object* object);

    JTArray(JTSlot* slots, std::size_t count, bool isMutable) noexcept
        : slots_(slots), count_(count), capacity_(count), mutations_(isMutable ? 1 : 0)
    {
    }
    ~JTArray() override;

    // An immutable array keeps its elements right after itself, in the same
    // allocation: one block instead of two for every array a document holds.
    // Freeing the block needs its size, read before the destructor runs.
    static void* operator new(std::size_t size, std::size_t extraBytes, const std::nothrow_t&) noexcept
    {
        return foundation::smallObjectPool::allocate(size + extraBytes, std::nothrow);
    }
    static void operator delete(JTArray* array, std::destroying_delete_t) noexcept;
    JTSlot* inlineSlots() noexcept { return reinterpret_cast<JTSlot*>(this + 1); }

    void checkMutable(const char* selector) const;
    // Hands out `length` elements from `location` as objects, boxing any
    // immediate number among them in place.
    void copyObjects(foundation::Object** buffer, std::size_t location, std::size_t length) const;
    void mutated() noexcept { mutations_ = foundation::nextMutationCount(mutations_); }

    JTSlot* slots_;  // count_ immediates or strong references, then empty slots
    std::size_t count_;
    std::size_t capacity_;
    // 0 for an immutable array; otherwise the counter fast enumeration watches.
    mutable unsigned long mutations_;
};

} // namespace jotter
