#include "foundation/objects/Object.h"

#include "foundation/objects/Exception.h"
#include "foundation/objects/Format.h"

#include <mutex>
#include <unordered_map>

namespace foundation {

OperationTable::OperationTable(const OperationTable* base, std::initializer_list<Entry> entries)
    : base_(base), entries_(entries)
{
}

Operation OperationTable::find(std::string_view name) const
{
    for (const OperationTable* table = this; table; table = table->base_) {
        for (const Entry& entry : table->entries_) {
            if (entry.name == name)
                return entry.operation;
        }
    }
    return nullptr;
}

namespace {

// Weak references are rare (delegates, outlets), so their bookkeeping lives
// in a side table instead of widening every object.
struct WeakTable {
    std::mutex mutex;
    std::unordered_map<const Object*, WeakControl*> controls;
};

WeakTable& weakTable()
{
    static WeakTable* table = new WeakTable;  // outlives every static object
    return *table;
}

} // namespace

Object::~Object() = default;

void Object::destroy() const noexcept
{
    if (hasWeakReferences_.load(std::memory_order_acquire)) {
        WeakTable& table = weakTable();
        std::lock_guard lock(table.mutex);
        auto found = table.controls.find(this);
        if (found != table.controls.end()) {
            found->second->target_ = nullptr;
            found->second->release();
            table.controls.erase(found);
        }
    }
    delete this;
}

bool Object::tryRetain() const noexcept
{
    std::uint32_t count = refCount_.load(std::memory_order_relaxed);
    while (count != 0) {
        if (refCount_.compare_exchange_weak(count, count + 1, std::memory_order_relaxed))
            return true;
    }
    return false;
}

WeakControl* WeakControl::forObject(const Object& object)
{
    WeakTable& table = weakTable();
    std::lock_guard lock(table.mutex);
    WeakControl*& control = table.controls[&object];
    if (!control) {
        control = new WeakControl(&object);  // the table's reference
        object.hasWeakReferences_.store(true, std::memory_order_release);
    }
    control->retain();  // the caller's reference
    return control;
}

Object* WeakControl::lockedTarget()
{
    std::lock_guard lock(weakTable().mutex);
    if (target_ && target_->tryRetain())
        return const_cast<Object*>(target_);
    return nullptr;
}

void WeakControl::release() noexcept
{
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete this;
}

const char* Object::className() const
{
    return "NSObject";
}

std::string plainDescription(const Object& object)
{
    return format("<%s: %p>", object.className(), static_cast<const void*>(&object));
}

std::string Object::description() const
{
    return plainDescription(*this);
}

std::string Object::descriptionWithIndent(unsigned) const
{
    return description();
}

bool Object::isEqual(const Object& other) const
{
    return this == &other;
}

std::uint64_t Object::hash() const
{
    return reinterpret_cast<std::uintptr_t>(this) >> 4;
}

Ref<Object> Object::copy() const
{
    return Ref<Object>(const_cast<Object*>(this));
}

const OperationTable& Object::operations() const
{
    static const OperationTable table(nullptr, {});
    return table;
}

bool Object::respondsToSelector(std::string_view name) const
{
    return operations().find(name) != nullptr;
}

Ref<Object> Object::perform(std::string_view name, Object* argument)
{
    Operation operation = operations().find(name);
    if (!operation) {
        raise(ExceptionName::InvalidArgument,
              format("-[%s %s]: unrecognized selector sent to instance %p", className(), std::string(name),
                     static_cast<const void*>(this)));
    }
    return operation(*this, argument);
}

bool equal(const Object* a, const Object* b)
{
    if (a == b)
        return true;
    if (!a || !b)
        return false;
    return a->isEqual(*b);
}

} // namespace foundation
