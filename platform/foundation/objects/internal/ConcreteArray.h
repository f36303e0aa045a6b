#pragma once

#include "foundation/objects/Array.h"

#include <vector>

namespace foundation {

// The plain arrays behind Array::create and the results of copy/mutableCopy.
class ConcreteArray final : public Array {
public:
    explicit ConcreteArray(std::vector<Ref<Object>> objects) noexcept : objects_(std::move(objects)) {}

    std::size_t count() const override { return objects_.size(); }
    Object* objectAtIndex(std::size_t index) const override;
    void getObjects(Object** buffer, Range range) const override;

private:
    std::vector<Ref<Object>> objects_;
};

class ConcreteMutableArray final : public MutableArray {
public:
    explicit ConcreteMutableArray(std::vector<Ref<Object>> objects = {}) noexcept : objects_(std::move(objects)) {}

    std::size_t count() const override { return objects_.size(); }
    Object* objectAtIndex(std::size_t index) const override;
    void getObjects(Object** buffer, Range range) const override;
    void insertObject(Object* object, std::size_t index) override;
    void removeObjectAtIndex(std::size_t index) override;
    void replaceObjectAtIndex(std::size_t index, Object* object) override;

protected:
    unsigned long* mutationsPointer() const override { return &mutations_; }

private:
    void mutated() noexcept { mutations_ = nextMutationCount(mutations_); }

    std::vector<Ref<Object>> objects_;
    mutable unsigned long mutations_ = 1;
};

} // namespace foundation
