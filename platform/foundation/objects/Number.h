#pragma once

#include "foundation/objects/Object.h"
#include "foundation/objects/SmallObjectPool.h"

#include <cstdint>

namespace foundation {

// A number with the platform's scalar type code: c s i l q (signed),
// C S I L Q (unsigned), B (boolean), f d (floating point). The two booleans
// are singletons compared by identity; equal values are equal and hash
// alike whatever their type codes.
class Number final : public Object {
public:
    // Narrows the value to the type code's width, as the platform's
    // numberWithChar:, numberWithShort: … do.
    static Ref<Number> withSigned(std::int64_t value, char typeCode = 'q');
    static Ref<Number> withUnsigned(std::uint64_t value, char typeCode = 'Q');
    static Ref<Number> withDouble(double value);
    static Ref<Number> withFloat(float value);
    // A B-typed number that is not one of the two singletons (the platform
    // can make these; the encoder must print them as 0 or 1).
    static Ref<Number> withBooleanValue(bool value);

    static Number* trueValue() noexcept;
    static Number* falseValue() noexcept;
    static Number* boolean(bool value) noexcept { return value ? trueValue() : falseValue(); }

    char typeCode() const noexcept { return typeCode_; }
    // The type code as the platform's objCType gives it: a one-character text.
    const char* objCType() const noexcept;
    bool isBooleanSingleton() const noexcept { return this == trueValue() || this == falseValue(); }
    bool isFloatingPoint() const noexcept { return typeCode_ == 'd' || typeCode_ == 'f'; }
    bool isUnsigned() const noexcept;

    std::int64_t int64Value() const noexcept;
    std::uint64_t uint64Value() const noexcept;
    double doubleValue() const noexcept;
    bool boolValue() const noexcept;

    const char* className() const override { return "NSNumber"; }
    std::string description() const override;
    bool isEqual(const Object& other) const override;
    std::uint64_t hash() const override;
    // -1, 0 or 1 by numeric value, across type codes.
    int compare(const Number& other) const noexcept;

    static void* operator new(std::size_t size) { return smallObjectPool::allocate(size); }
    static void operator delete(void* memory, std::size_t size) noexcept
    {
        smallObjectPool::deallocate(memory, size);
    }

private:
    Number(char typeCode) noexcept : Object(Kind::Number), typeCode_(typeCode) {}

    char typeCode_;
    union {
        std::int64_t signedValue_;
        std::uint64_t unsignedValue_;
        double doubleValue_;
    };
};

} // namespace foundation
