#pragma once

// One element of a decoded array, or one value of a decoded dictionary, in
// eight bytes: a strong reference to an object, or a number held in the
// word itself. A document of numbers then costs about what its numbers
// cost, instead of an object, a header and a reference for each.
//
// The word's low bits say which it is:
//   ...000  an object's address (objects are at least 8-byte aligned), or
//           0 for an empty slot;
//   .....1  a signed integer in [-2^62, 2^62), shifted up by one;
//   ....s10 a double whose exponent lies in [-255, 256] (magnitudes about
//           1.7e-77 to 1.2e77), with its sign in bit 2 and its 52 fraction
//           bits and the lowest exponent bit above.
// Both zeros are held too, in the place of the one double that gives way
// for them (2^-255 with either sign, which stays an object). Every bit of a
// held double comes back, and an immediate number boxes to the object the
// decoder would have made: type 'q' for an integer, 'd' for a double.
// Values that do not fit (larger integers, unsigned ones above 2^63 − 1,
// tiny, huge and subnormal doubles) stay objects.

#include "foundation/objects/DebugCheck.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/Object.h"

#include <bit>
#include <cstdint>

namespace jotter {

class JTSlot {
public:
    constexpr JTSlot() noexcept = default;

    static JTSlot fromObject(foundation::Object* object) noexcept
    {
        auto word = reinterpret_cast<std::uintptr_t>(object);
        FOUNDATION_DEBUG_CHECK((word & TagMask) == 0, "an object at an address that is not 8-byte aligned",
            "allocate objects with their natural alignment; a slot keeps its tags in the low three bits");
        return JTSlot(word);
    }

    static constexpr bool holdsInteger(std::int64_t value) noexcept
    {
        return value >= -IntegerLimit && value < IntegerLimit;
    }
    // Only for a value holdsInteger accepts.
    static constexpr JTSlot fromInteger(std::int64_t value) noexcept
    {
        return JTSlot((static_cast<std::uint64_t>(value) << 1) | IntegerTag);
    }

    static bool holdsDouble(double value) noexcept
    {
        std::uint64_t magnitude = std::bit_cast<std::uint64_t>(value) & ~SignBit;
        return magnitude == 0 || (isHeldExponent(magnitude) && magnitude != ZeroStandIn);
    }
    // Only for a value holdsDouble accepts.
    static JTSlot fromDouble(double value) noexcept
    {
        std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
        std::uint64_t magnitude = bits & ~SignBit;
        if (magnitude == 0)
            magnitude = ZeroStandIn;
        return JTSlot(((magnitude & HeldBits) << 3) | ((bits >> 63) << 2) | DoubleTag);
    }

    bool isEmpty() const noexcept { return word_ == 0; }
    // The slot's bits: for an immediate number, a key that no object's
    // address equals.
    std::uint64_t word() const noexcept { return word_; }
    bool isImmediate() const noexcept { return (word_ & ImmediateMask) != 0; }
    bool isInteger() const noexcept { return (word_ & IntegerTag) != 0; }
    bool isDouble() const noexcept { return (word_ & ImmediateMask) == DoubleTag; }

    // The object, or null for an empty slot or an immediate number.
    foundation::Object* object() const noexcept
    {
        return isImmediate() ? nullptr : reinterpret_cast<foundation::Object*>(word_);
    }
    std::int64_t integer() const noexcept { return static_cast<std::int64_t>(word_) >> 1; }
    double doubleValue() const noexcept
    {
        std::uint64_t held = word_ >> 3;
        // The dropped exponent bits are 011 when the lowest one kept is 1,
        // else 100.
        std::uint64_t magnitude = held | ((held & LowestHeldExponentBit) ? std::uint64_t(1) << 61 : std::uint64_t(1) << 62);
        if (magnitude == ZeroStandIn)
            magnitude = 0;
        return std::bit_cast<double>(magnitude | ((word_ >> 2 & 1) << 63));
    }

    // The number object an immediate stands for, owned once by the caller.
    foundation::Ref<foundation::Number> makeNumber() const
    {
        return isInteger() ? foundation::Number::withSigned(integer()) : foundation::Number::withDouble(doubleValue());
    }

    // Gives up the slot's reference, if it holds one.
    void release() const noexcept
    {
        if (foundation::Object* held = object())
            held->release();
    }

    friend bool operator==(JTSlot a, JTSlot b) noexcept { return a.word_ == b.word_; }

private:
    static constexpr std::uint64_t TagMask = 7;
    static constexpr std::uint64_t ImmediateMask = 3;
    static constexpr std::uint64_t IntegerTag = 1;
    static constexpr std::uint64_t DoubleTag = 2;
    static constexpr std::int64_t IntegerLimit = std::int64_t(1) << 62;
    static constexpr std::uint64_t SignBit = std::uint64_t(1) << 63;
    // The fraction and the lowest exponent bit: the two exponent bits above
    // it follow from it within the held range.
    static constexpr std::uint64_t HeldBits = (std::uint64_t(1) << 61) - 1;
    static constexpr std::uint64_t LowestHeldExponentBit = std::uint64_t(1) << 60;
    // 2^-255: its bits carry a zero of either sign.
    static constexpr std::uint64_t ZeroStandIn = std::uint64_t(0x300) << 52;

    // Exponent fields 0x300 to 0x4FF: the top three bits 011 or 100.
    static constexpr bool isHeldExponent(std::uint64_t magnitude) noexcept
    {
        std::uint64_t top = magnitude >> 60;
        return top == 3 || top == 4;
    }

    explicit constexpr JTSlot(std::uint64_t word) noexcept : word_(word) {}

    std::uint64_t word_ = 0;
};

static_assert(sizeof(JTSlot) == sizeof(foundation::Object*));

// The object for a slot, boxing an immediate number in place on first use:
// the slot keeps the new object (its one reference), so every later read
// answers the same object. Null only for an empty slot.
inline foundation::Object* jt_slotObject(JTSlot& slot)
{
    if (slot.isImmediate())
        slot = JTSlot::fromObject(slot.makeNumber().leak());
    return slot.object();
}

} // namespace jotter
