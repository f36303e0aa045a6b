#pragma once

#include "foundation/objects/Object.h"

#include <cstddef>

namespace foundation {

// The platform's fast-enumeration state record. On the first call (state 0)
// the collection points itemsPtr at the items it hands out and mutationsPtr
// at a counter that changes whenever the collection does.
struct FastEnumerationState {
    unsigned long state = 0;
    Object** itemsPtr = nullptr;
    unsigned long* mutationsPtr = nullptr;
    unsigned long extra[5] = {};
};

// Range-for over a collection's fast enumeration (an array's elements, a
// dictionary's keys). Raises the platform's mutation exception
// ("*** Collection <…> was mutated while being enumerated.") when the
// collection changes during the walk.
class FastEnumeration {
public:
    static constexpr std::size_t BatchSize = 16;

    class Iterator {
    public:
        Object* operator*() const { return owner_->state_.itemsPtr[index_]; }
        Iterator& operator++();
        bool operator!=(const Iterator& other) const { return owner_ != other.owner_; }

    private:
        friend class FastEnumeration;
        explicit Iterator(FastEnumeration* owner) : owner_(owner) {}
        FastEnumeration* owner_;
        std::size_t index_ = 0;
    };

    explicit FastEnumeration(const Object& collection) : collection_(collection) {}
    Iterator begin();
    Iterator end() { return Iterator(nullptr); }

private:
    bool fetch();  // next batch; false at the end

    const Object& collection_;
    FastEnumerationState state_;
    Object* buffer_[BatchSize] = {};
    std::size_t batchCount_ = 0;
    unsigned long initialMutations_ = 0;
};

// The platform's mutation exception for a collection that changed during a
// walk over it; for walks that watch the counter themselves.
[[noreturn]] void raiseMutatedWhileEnumerating(const Object& collection);

// The next value of a mutable collection's mutation counter: it wraps from
// the largest value to 1, never to 0, because 0 marks a collection that
// never changes.
constexpr unsigned long nextMutationCount(unsigned long mutations) noexcept
{
    return mutations == ~0ul ? 1 : mutations + 1;
}

} // namespace foundation
