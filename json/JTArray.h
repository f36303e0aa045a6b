#pragma once

#include "foundation/objects/Array.h"
#include "foundation/objects/SmallObjectPool.h"
#include "json/JTCollectionRefusals.h"

#include <cstddef>
#include <new>

namespace jotter {

class JTArray;

// Makes the array the decoder returns for a JSON array. Each of the `count`
// references in `objects` is non-null and already owned once by the caller;
// on success the array takes them over as they are (nothing is retained
// again) and its capacity equals `count`. Returns null when memory runs out;
// the caller then still owns the references.
[[nodiscard]] foundation::Ref<JTArray> _JTArrayCreate(foundation::Object* const* objects, std::size_t count,
    bool isMutable);

// The library's array: immutable or mutable for life, as its factory made it.
// It overrides only the platform's primitive array operations, so every
// other Array/MutableArray operation works on it unchanged.
//
// Mutating an immutable array raises NSInternalInconsistencyException; nil
// elements and bad indexes raise as the platform's arrays do; a block that
// cannot grow raises NSMallocException. One thread at a time.
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

    // The elements in order, for walks that read them in place.
    friend foundation::Object* const* _JTArrayObjects(const JTArray& array) noexcept { return array.objects_; }
    // Slots in the element block; it grows by 16 and never shrinks.
    std::size_t capacity() const noexcept { return capacity_; }

private:
    friend foundation::Ref<JTArray> _JTArrayCreate(foundation::Object* const*, std::size_t, bool);
    // The storage steps behind the mutating operations, run after their
    // refusals; each takes or gives up exactly one reference.
    friend void _JTArrayInsertObjectAtIndex(JTArray& array, foundation::Object* object, std::size_t index);
    friend void _JTArrayRemoveObjectAtIndex(JTArray& array, std::size_t index);
    friend void _JTArrayReplaceObjectAtIndexWithObject(JTArray& array, std::size_t index, foundation::Object* object);

    JTArray(foundation::Object** objects, std::size_t count, bool isMutable) noexcept
        : objects_(objects), count_(count), capacity_(count), mutations_(isMutable ? 1 : 0)
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
    foundation::Object** inlineElements() noexcept { return reinterpret_cast<foundation::Object**>(this + 1); }

    void checkMutable(const char* selector) const;
    void mutated() noexcept { mutations_ = foundation::nextMutationCount(mutations_); }

    foundation::Object** objects_;  // count_ strong references, then zeroed slots
    std::size_t count_;
    std::size_t capacity_;
    // 0 for an immutable array; otherwise the counter fast enumeration watches.
    mutable unsigned long mutations_;
};

} // namespace jotter
