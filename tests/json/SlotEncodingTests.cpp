// The eight-byte slot: which numbers it holds, and that every bit of a held
// number comes back.

#include "json/JTSlot.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace testsupport {

using namespace jotter;

namespace {

std::uint64_t bitsOf(double value)
{
    return std::bit_cast<std::uint64_t>(value);
}

TEST(SlotEncoding, IntegersFitFromMinusTwoToTheSixtyTwoUpToJustBelowIt)
{
    constexpr std::int64_t limit = std::int64_t(1) << 62;
    for (std::int64_t value : {std::int64_t(0), std::int64_t(1), std::int64_t(-1), limit - 1, -limit}) {
        ASSERT_TRUE(JTSlot::holdsInteger(value)) << value;
        JTSlot slot = JTSlot::fromInteger(value);
        EXPECT_TRUE(slot.isInteger());
        EXPECT_FALSE(slot.isDouble());
        EXPECT_EQ(slot.object(), nullptr);
        EXPECT_EQ(slot.integer(), value);
    }
    for (std::int64_t value : {limit, -limit - 1, std::numeric_limits<std::int64_t>::max(),
             std::numeric_limits<std::int64_t>::min()})
        EXPECT_FALSE(JTSlot::holdsInteger(value)) << value;
}

TEST(SlotEncoding, DoublesFitWithExponentsFromMinus255To256)
{
    // The smallest and largest held magnitudes, and the first ones outside.
    EXPECT_TRUE(JTSlot::holdsDouble(std::ldexp(1.0, -255) * (1 + 0x1p-52)));
    EXPECT_FALSE(JTSlot::holdsDouble(std::ldexp(1.0, -255)));  // gives its bits to the zeros
    EXPECT_FALSE(JTSlot::holdsDouble(-std::ldexp(1.0, -255)));
    EXPECT_FALSE(JTSlot::holdsDouble(std::nextafter(std::ldexp(1.0, -255), 0.0)));
    EXPECT_TRUE(JTSlot::holdsDouble(std::nextafter(std::ldexp(1.0, 257), 0.0)));
    EXPECT_FALSE(JTSlot::holdsDouble(std::ldexp(1.0, 257)));
    for (double value : {1.0, -1.0, 0.1, -65.613616999999977, 43.420273000000009, 1e77, -1e-76, 1e22})
        EXPECT_TRUE(JTSlot::holdsDouble(value)) << value;
    for (double value : {1e78, 1e-77, 5e-324, 2.2250738585072014e-308, 1.7976931348623157e308,
             std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()})
        EXPECT_FALSE(JTSlot::holdsDouble(value)) << value;
}

TEST(SlotEncoding, BothZerosComeBackWithTheirSigns)
{
    JTSlot positive = JTSlot::fromDouble(0.0);
    JTSlot negative = JTSlot::fromDouble(-0.0);
    ASSERT_TRUE(positive.isDouble() && negative.isDouble());
    EXPECT_EQ(bitsOf(positive.doubleValue()), 0u);
    EXPECT_EQ(bitsOf(negative.doubleValue()), 0x8000000000000000u);
}

TEST(SlotEncoding, EveryBitOfAHeldDoubleComesBack)
{
    std::mt19937_64 random(29);
    int held = 0;
    for (int i = 0; i < 200000; ++i) {
        // Exponents spread over the held range and a little beyond.
        std::uint64_t bits = (random() & 0x800FFFFFFFFFFFFF) | ((0x2F0 + random() % 0x220) << 52);
        double value = std::bit_cast<double>(bits);
        if (!JTSlot::holdsDouble(value))
            continue;
        ++held;
        JTSlot slot = JTSlot::fromDouble(value);
        ASSERT_TRUE(slot.isDouble());
        ASSERT_EQ(bitsOf(slot.doubleValue()), bits);
    }
    EXPECT_GT(held, 150000);
}

TEST(SlotEncoding, ObjectsAndEmptySlotsAreNotImmediates)
{
    JTSlot empty;
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_FALSE(empty.isImmediate());
    EXPECT_EQ(empty.object(), nullptr);
    foundation::Ref<foundation::Number> number = foundation::Number::withSigned(7);
    JTSlot slot = JTSlot::fromObject(number.get());
    EXPECT_FALSE(slot.isImmediate() || slot.isEmpty());
    EXPECT_EQ(slot.object(), number.get());
}

TEST(SlotEncoding, ImmediatesBoxToTheNumbersTheDecoderWouldMake)
{
    foundation::Ref<foundation::Number> integer = JTSlot::fromInteger(-42).makeNumber();
    EXPECT_EQ(integer->typeCode(), 'q');
    EXPECT_EQ(integer->int64Value(), -42);
    foundation::Ref<foundation::Number> real = JTSlot::fromDouble(-0.0).makeNumber();
    EXPECT_EQ(real->typeCode(), 'd');
    EXPECT_EQ(bitsOf(real->doubleValue()), 0x8000000000000000u);
}

TEST(SlotEncoding, BoxingInPlaceKeepsTheObjectInTheSlot)
{
    JTSlot slot = JTSlot::fromDouble(2.5);
    foundation::Object* boxed = jt_slotObject(slot);
    ASSERT_NE(boxed, nullptr);
    EXPECT_FALSE(slot.isImmediate());
    EXPECT_EQ(jt_slotObject(slot), boxed);
    EXPECT_EQ(boxed->refCount(), 1u);  // the slot's own
    slot.release();
}

} // namespace
} // namespace testsupport
