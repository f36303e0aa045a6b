// Numbers: the grammar, the three conversions, their types and range errors.

#include "DecodingHelpers.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>

namespace jotter::testing {
namespace {

// The number in a one-element array, kept alive after the array goes.
foundation::Ref<foundation::Number> onlyNumber(const foundation::Ref<foundation::Object>& tree)
{
    foundation::Object* element = tree ? onlyElement(tree) : nullptr;
    if (!element || !element->isNumber())
        throw std::runtime_error("not a number");
    return foundation::Ref<foundation::Number>(static_cast<foundation::Number*>(element));
}

TEST(DecoderNumbers, IntegersAreSignedUpTo2To63Minus1)
{
    foundation::Ref<foundation::Number> maximum = onlyNumber(decoded("[9223372036854775807]"));
    EXPECT_EQ(maximum->typeCode(), 'q');
    EXPECT_EQ(maximum->int64Value(), 9223372036854775807);
    foundation::Ref<foundation::Number> negative = onlyNumber(decoded("[-9223372036854775808]"));
    EXPECT_EQ(negative->typeCode(), 'q');
    EXPECT_EQ(negative->int64Value(), INT64_MIN);
    EXPECT_EQ(onlyNumber(decoded("[-1]"))->int64Value(), -1);
}

TEST(DecoderNumbers, LargerIntegersAreUnsignedUpTo2To64Minus1)
{
    foundation::Ref<foundation::Number> above = onlyNumber(decoded("[9223372036854775808]"));
    EXPECT_EQ(above->typeCode(), 'Q');
    EXPECT_EQ(above->uint64Value(), 9223372036854775808u);
    foundation::Ref<foundation::Number> maximum = onlyNumber(decoded("[18446744073709551615]"));
    EXPECT_EQ(maximum->typeCode(), 'Q');
    EXPECT_EQ(maximum->uint64Value(), 18446744073709551615u);
}

TEST(DecoderNumbers, IntegersOutOfRangeNameTheLimit)
{
    EXPECT_EQ(decodeFailure("[18446744073709551616]"),
        "The value '18446744073709551616' exceeded the maximum value that could be represented: "
        "18446744073709551615.");
    EXPECT_EQ(decodeFailure("[-9223372036854775809]"),
        "The value '-9223372036854775809' exceeded the minimum value that could be represented: "
        "-9223372036854775808.");
}

// Magnitudes that a 64-bit sum of the digits wraps to 0, 1 or 2^64 - 1
// are out of range all the same, on either side.
TEST(DecoderNumbers, IntegersThatWrapA64BitSumAreOutOfRange)
{
    for (const char* magnitude : {"18446744073709551616", "18446744073709551617", "36893488147419103232",
             "55340232221128654848", "36893488147419103233"}) {
        EXPECT_EQ(decodeFailure(std::string("[-") + magnitude + "]"),
            std::string("The value '-") + magnitude
                + "' exceeded the minimum value that could be represented: -9223372036854775808.");
        EXPECT_EQ(decodeFailure(std::string("[") + magnitude + "]"),
            std::string("The value '") + magnitude
                + "' exceeded the maximum value that could be represented: 18446744073709551615.");
    }
    EXPECT_EQ(decodeFailure("[-18446744073709551615]"),
        "The value '-18446744073709551615' exceeded the minimum value that could be represented: "
        "-9223372036854775808.");
}

TEST(DecoderNumbers, FractionsExponentsAndMinusZeroAreDoubles)
{
    foundation::Ref<foundation::Number> minusZero = onlyNumber(decoded("[-0]"));
    EXPECT_EQ(minusZero->typeCode(), 'd');
    EXPECT_TRUE(std::signbit(minusZero->doubleValue()));
    EXPECT_EQ(onlyNumber(decoded("[0]"))->typeCode(), 'q');
    EXPECT_EQ(onlyNumber(decoded("[2.5]"))->doubleValue(), 2.5);
    EXPECT_EQ(onlyNumber(decoded("[-1E+2]"))->doubleValue(), -100.0);
    EXPECT_EQ(onlyNumber(decoded("[1e-2]"))->doubleValue(), 0.01);
    // A subnormal is representable.
    EXPECT_EQ(onlyNumber(decoded("[5e-324]"))->doubleValue(), 4.9406564584124654e-324);
}

TEST(DecoderNumbers, DoublesOutOfRangeSayWhy)
{
    EXPECT_EQ(decodeFailure("[1e400]"), "The value '1e400' could not be represented as a 'double' due to overflow.");
    EXPECT_EQ(decodeFailure("[-1e400]"), "The value '-1e400' could not be represented as a 'double' due to overflow.");
    EXPECT_EQ(decodeFailure("[1e-400]"), "The value '1e-400' could not be represented as a 'double' due to underflow.");
}

// The bits of the double in `[text]`, so that a neighbour one unit in the
// last place away, or a different zero, shows as a different number.
std::uint64_t doubleBits(const std::string& text)
{
    foundation::Ref<foundation::Number> number = onlyNumber(decoded("[" + text + "]"));
    EXPECT_EQ(number->typeCode(), 'd') << text;
    return std::bit_cast<std::uint64_t>(number->doubleValue());
}

// The nearest double, ties to even, however many digits it takes to decide:
// the cases where a conversion that stops reading early, or rounds twice,
// lands one unit off.
TEST(DecoderNumbers, DoublesAreTheNearestBitForBit)
{
    // 1 + 2^-53 written out exactly is the tie between 1 and the next double.
    const std::string tie = "1.00000000000000011102230246251565404236316680908203125";
    const std::string zeros(2000 - tie.size(), '0');
    EXPECT_EQ(doubleBits(tie + zeros), 0x3FF0000000000000u) << "a tie rounds to even";
    EXPECT_EQ(doubleBits(tie + zeros + "1"), 0x3FF0000000000001u) << "the 2001st digit breaks the tie upwards";
    EXPECT_EQ(doubleBits("9007199254740993.0"), 0x4340000000000000u);  // 2^53 + 1: a tie, to even
    EXPECT_EQ(doubleBits("9007199254740995.0"), 0x4340000000000002u);  // 2^53 + 3: a tie, to even (upwards)
    EXPECT_EQ(doubleBits("2.2250738585072011e-308"), 0x000FFFFFFFFFFFFFu);  // the largest subnormal
    EXPECT_EQ(doubleBits("2.2250738585072014e-308"), 0x0010000000000000u);  // the smallest normal
    EXPECT_EQ(doubleBits("0.1000000000000000055511151231257827021181583404541015625"), 0x3FB999999999999Au);
    EXPECT_EQ(doubleBits("1.7976931348623157e308"), 0x7FEFFFFFFFFFFFFFu);  // the largest finite
    EXPECT_EQ(doubleBits("-1.7976931348623157e308"), 0xFFEFFFFFFFFFFFFFu);
    EXPECT_EQ(doubleBits("4.9406564584124654e-324"), 0x0000000000000001u);  // the smallest subnormal
    EXPECT_EQ(doubleBits("2.4703282292062328e-324"), 0x0000000000000001u);  // just above half of it
}

// Below the smallest normal double the decoder keeps what is left rather
// than flushing to zero, by either conversion: 1e-310 is 0x12688B70E62B
// units of the smallest subnormal.
TEST(DecoderNumbers, SubnormalsAreKept)
{
    constexpr std::uint64_t nearest = 0x000012688B70E62Bu;
    EXPECT_EQ(doubleBits("1e-310"), nearest);
    EXPECT_EQ(doubleBits("0." + std::string(309, '0') + "1"), nearest);
    EXPECT_EQ(doubleBits("1.00000000000000000000000000e-310"), nearest);
    EXPECT_EQ(doubleBits("-1e-310"), nearest | 0x8000000000000000u);
}

// Every subnormal the short route makes is the one strtod makes, with few
// digits and many, at every exponent down to the smallest.
TEST(DecoderNumbers, SubnormalsAreTheNearestAsStrtodReadsThem)
{
    std::mt19937_64 random(310);
    for (int exponent = 308; exponent <= 324; ++exponent) {
        for (int digits : {1, 3, 16, 17, 19}) {
            for (int sample = 0; sample < 40; ++sample) {
                std::string text = std::to_string(1 + random() % 9) + (digits > 1 ? "." : "");
                for (int i = 1; i < digits; ++i)
                    text += static_cast<char>('0' + random() % 10);
                text += "e-" + std::to_string(exponent);
                const double expected = std::strtod(text.c_str(), nullptr);
                if (expected == 0)
                    continue;  // an underflow, pinned elsewhere
                EXPECT_EQ(doubleBits(text), std::bit_cast<std::uint64_t>(expected)) << text;
            }
        }
    }
}

TEST(DecoderNumbers, DecodedDoublesDescribeThemselvesWithTheirShortestDigits)
{
    foundation::Ref<foundation::Object> tree =
        decoded("[100.0, 1500.0, 1e16, 1e17, 0.0001, 0.00001, 0.1, -0.0, 5e-324, 1.7976931348623157e308]");
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->description(),
        "(\n    100,\n    1500,\n    10000000000000000,\n    1e+17,\n    0.0001,\n    1e-05,\n    0.1,\n"
        "    -0,\n    5e-324,\n    1.7976931348623157e+308\n)");
    EXPECT_EQ(onlyNumber(decoded("[1500.0]"))->description(), "1500");
}

TEST(DecoderNumbers, LeadingZeroEndsTheNumber)
{
    EXPECT_EQ(decodeFailure("[01]"), "Unexpected value.");
    EXPECT_EQ(recoded("[0.5,0e1,-0.0]"), "[0.5,0,-0]");
}

TEST(DecoderNumbers, MalformedNumbersAreInvalid)
{
    for (const char* text : {"[-]", "[-a]", "[1.]", "[1.e5]", "[1e]", "[1e+]"})
        EXPECT_EQ(decodeFailure(text), "Invalid number.") << text;
}

TEST(DecoderNumbers, NumberEndingTheInputIsInvalid)
{
    EXPECT_EQ(decodeFailure("[1"), "Invalid number.");
    EXPECT_EQ(decodeFailure("[1.5e3"), "Invalid number.");
}

} // namespace
} // namespace jotter::testing
