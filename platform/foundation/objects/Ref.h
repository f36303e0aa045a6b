#pragma once

#include "foundation/objects/DebugCheck.h"

#include <cstddef>
#include <utility>

namespace foundation {

template <typename>
class WeakRef;

// A nullable owning reference to an intrusively counted object.
//
// Copying retains, destruction releases. A freshly created object already
// carries one reference and must be taken over with adopt(); factories read
//   static Ref<X> create() { return Ref<X>::adopt(new X); }
// Making a Ref from a plain pointer retains, so it is spelled out:
// Ref<X>(pointer), or Ref(pointer). It is explicit because an implicit one
// made `Ref<X> x = new X;` compile and leak the new object's own reference.
// Assignment is copy-and-swap: the slot holds the new value before the old
// one is released, so releasing may safely re-enter the owner.
template <typename T>
class Ref {
public:
    Ref() noexcept = default;
    Ref(std::nullptr_t) noexcept {}
    explicit Ref(T* object) noexcept : ptr_(object) { if (ptr_) ptr_->retain(); }
    Ref(const Ref& other) noexcept : Ref(other.ptr_) {}
    Ref(Ref&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    template <typename U>
    Ref(const Ref<U>& other) noexcept : Ref(other.get()) {}
    template <typename U>
    Ref(Ref<U>&& other) noexcept : ptr_(other.leak()) {}
    ~Ref() { if (ptr_) ptr_->release(); }

    // Takes over the reference a new object is born with, without retaining
    // it again. Only for a new object: adopting one that others also hold
    // leaves a reference nobody owns, and a later release frees it under
    // them. A debug check stops an adoption whose count is not 1.
    [[nodiscard]] static Ref adopt(T* object) noexcept
    {
        FOUNDATION_DEBUG_CHECK(!object || object->refCount() == 1,
            "Ref::adopt of an object whose reference count is not 1 (adopt takes over a new object's "
            "only reference; this one is already held elsewhere)",
            "adopt only what `new` just returned (Ref<T>::adopt(new T)); to share an existing object "
            "use Ref<T>(object), which retains it");
        return adoptRetained(object);
    }

    Ref& operator=(Ref other) noexcept
    {
        std::swap(ptr_, other.ptr_);
        return *this;
    }

    // Gives up ownership: the caller now holds the +1 reference.
    [[nodiscard]] T* leak() noexcept { return std::exchange(ptr_, nullptr); }

    T* get() const noexcept { return ptr_; }
    T* operator->() const noexcept { return ptr_; }
    T& operator*() const noexcept { return *ptr_; }
    explicit operator bool() const noexcept { return ptr_ != nullptr; }

    friend bool operator==(const Ref& a, const Ref& b) noexcept { return a.ptr_ == b.ptr_; }
    friend bool operator==(const Ref& a, std::nullptr_t) noexcept { return a.ptr_ == nullptr; }

private:
    template <typename>
    friend class WeakRef;

    // Takes over a +1 reference the caller took itself (a weak reference's
    // successful lock), whatever the count now is.
    static Ref adoptRetained(T* object) noexcept
    {
        Ref ref;
        ref.ptr_ = object;
        return ref;
    }

    T* ptr_ = nullptr;
};

// Narrows a reference after a kind test; the caller has checked the kind.
template <typename T, typename U>
Ref<T> static_ref_cast(const Ref<U>& ref) noexcept
{
    return Ref<T>(static_cast<T*>(ref.get()));
}

} // namespace foundation
