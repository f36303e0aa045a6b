#pragma once

#include "foundation/objects/DebugCheck.h"
#include "foundation/objects/Ref.h"

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {

class Object;

// What an object is, answered without a virtual call: the JSON encoder asks
// once per value. Subclasses outside the value kinds answer Other.
enum class Kind : std::uint8_t {
    Other,
    String,
    Number,
    Null,
    Data,
    Date,
    Array,
    Dictionary,
    Error,
};

// An operation answered by name: one optional object argument, an optional
// object result. This is how a UI description connects outlets and actions,
// and how a formatter delegate is called.
using Operation = Ref<Object> (*)(Object& receiver, Object* argument);

// The by-name operations of one class, chained to its base class's table.
class OperationTable {
public:
    struct Entry {
        std::string_view name;
        Operation operation;
    };

    OperationTable(const OperationTable* base, std::initializer_list<Entry> entries);

    // The operation for a name, searching the base tables too; null if none.
    Operation find(std::string_view name) const;

private:
    const OperationTable* base_;
    std::vector<Entry> entries_;
};

// The root of every platform object: an atomic intrusive reference count,
// identity by address, equality and hashing, descriptions and by-name
// operations. A new object carries one reference (see Ref::adopt).
class Object {
public:
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    // Retaining an object whose count has reached 0 (from its destructor, or
    // from code it calls) would bring it back for a moment and free it twice;
    // a debug check stops it.
    void retain() const noexcept { retain(1); }
    // `count` references at once: one atomic step for a batch a caller has
    // been keeping count of (the decoder's repeated values).
    void retain(std::uint32_t count) const noexcept
    {
        [[maybe_unused]] std::uint32_t previous = refCount_.fetch_add(count, std::memory_order_relaxed);
        FOUNDATION_DEBUG_CHECK(previous != 0,
            "retain of an object that is being destroyed (its reference count already reached 0)",
            "do not make a Ref to `this` (or hand `this` to anything that keeps it) in a destructor or in "
            "code a destructor calls; pass a plain pointer or reference there instead");
    }
    void release() const noexcept
    {
        if (refCount_.fetch_sub(1, std::memory_order_acq_rel) == 1)
            destroy();
    }
    std::uint32_t refCount() const noexcept { return refCount_.load(std::memory_order_relaxed); }

    Kind kind() const noexcept { return kind_; }
    bool isString() const noexcept { return kind_ == Kind::String; }
    bool isNumber() const noexcept { return kind_ == Kind::Number; }
    bool isNull() const noexcept { return kind_ == Kind::Null; }
    bool isData() const noexcept { return kind_ == Kind::Data; }
    bool isDate() const noexcept { return kind_ == Kind::Date; }
    bool isArray() const noexcept { return kind_ == Kind::Array; }
    bool isDictionary() const noexcept { return kind_ == Kind::Dictionary; }
    bool isError() const noexcept { return kind_ == Kind::Error; }

    // The platform's class name, as messages print it ("NSString", "JTArray").
    virtual const char* className() const;

    // What "%@" prints. Collections nest their elements' descriptions with
    // descriptionWithIndent; a plain object prints "<ClassName: 0x…>".
    virtual std::string description() const;
    virtual std::string descriptionWithIndent(unsigned level) const;

    // Value equality and a hash consistent with it; identity by default.
    virtual bool isEqual(const Object& other) const;
    virtual std::uint64_t hash() const;

    // Immutable objects answer themselves; mutable ones an immutable copy.
    virtual Ref<Object> copy() const;

    virtual const OperationTable& operations() const;
    bool respondsToSelector(std::string_view name) const;
    // Runs the named operation; an unknown name raises the platform's
    // "unrecognized selector" invalid-argument exception.
    Ref<Object> perform(std::string_view name, Object* argument = nullptr);

protected:
    explicit Object(Kind kind = Kind::Other) noexcept : kind_(kind) {}
    virtual ~Object();

    // For singletons that must never be freed.
    void makeImmortal() noexcept { refCount_.store(1u << 30, std::memory_order_relaxed); }

private:
    template <typename>
    friend class WeakRef;
    friend class WeakControl;

    void destroy() const noexcept;
    bool tryRetain() const noexcept;

    mutable std::atomic<std::uint32_t> refCount_{1};
    Kind kind_;
    mutable std::atomic<bool> hasWeakReferences_{false};
};

// Platform equality (CFEqual): identity first, then value equality.
bool equal(const Object* a, const Object* b);
// Platform hash (CFHash).
inline std::uint64_t hashOf(const Object& object) { return object.hash(); }

// "<ClassName: 0x…>", the plain form of an object's description.
std::string plainDescription(const Object& object);

// Shared bookkeeping between weak references to one object.
class WeakControl {
public:
    static WeakControl* forObject(const Object& object);
    Object* lockedTarget();  // retained, or null once the object is gone
    void retain() noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }
    void release() noexcept;

private:
    friend class Object;
    explicit WeakControl(const Object* target) : target_(target) {}
    std::atomic<std::uint32_t> refs_{1};
    const Object* target_;
};

// A non-owning reference that reads null once its object has been destroyed.
template <typename T>
class WeakRef {
public:
    WeakRef() noexcept = default;
    WeakRef(T* object) : object_(object), control_(object ? WeakControl::forObject(*object) : nullptr) {}
    WeakRef(const Ref<T>& object) : WeakRef(object.get()) {}
    WeakRef(const WeakRef& other) noexcept : object_(other.object_), control_(other.control_)
    {
        if (control_)
            control_->retain();
    }
    WeakRef& operator=(WeakRef other) noexcept
    {
        std::swap(object_, other.object_);
        std::swap(control_, other.control_);
        return *this;
    }
    ~WeakRef() { if (control_) control_->release(); }

    Ref<T> get() const
    {
        if (!control_ || !control_->lockedTarget())
            return nullptr;
        return Ref<T>::adoptRetained(object_);  // lockedTarget retained it for us
    }

private:
    T* object_ = nullptr;
    WeakControl* control_ = nullptr;
};

} // namespace foundation
