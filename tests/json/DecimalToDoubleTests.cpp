// The conversion of an exact decimal (a significand of up to 19 digits and
// a power of ten) to the nearest double, ties to even: bit for bit at the
// hard places, and against the standard library's reading of the same text
// over a wide random sample.

#include "json/internal/DecimalToDouble.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace jotter::testing {
namespace {

std::uint64_t bitsOf(double value)
{
    return std::bit_cast<std::uint64_t>(value);
}

void expectConverts(std::uint64_t significand, std::int64_t exponent, double expected)
{
    EXPECT_EQ(bitsOf(jt_decimalToDouble(significand, exponent, false)), bitsOf(expected))
        << significand << "e" << exponent;
    EXPECT_EQ(bitsOf(jt_decimalToDouble(significand, exponent, true)), bitsOf(-expected))
        << "-" << significand << "e" << exponent;
}

TEST(DecimalToDouble, HalfwayCasesRoundToEven)
{
    expectConverts(9007199254740993, 0, 0x1.0000000000000p+53);  // 2^53 + 1: down to even
    expectConverts(9007199254740995, 0, 0x1.0000000000002p+53);  // 2^53 + 3: up to even
    // 1 + 2^-53, the halfway point above 1, and its neighbours, in 19 digits.
    expectConverts(1000000000000000111, -18, 0x1.0000000000000p+0);
    expectConverts(1000000000000000112, -18, 0x1.0000000000001p+0);
    expectConverts(3051757812500000000, -23, 0x1.0000000000000p-15);
}

TEST(DecimalToDouble, LongSignificandsNeedTheWholeProduct)
{
    expectConverts(1, 23, 0x1.52d02c7e14af6p+76);
    expectConverts(9999999999999999, 7, 0x1.52d02c7e14af6p+76);
    expectConverts(123456789012345678, 0, 0x1.b69b4ba630f35p+56);
    expectConverts(65613616999999977, -15, 0x1.06745803cd140p+6);
    expectConverts(72057594037927933, 0, 0x1.0000000000000p+56);
    expectConverts(1, -22, 0x1.e392010175ee6p-74);
    expectConverts(1000000000000000000, -19, 0x1.999999999999ap-4);
}

TEST(DecimalToDouble, SubnormalEdge)
{
    expectConverts(22250738585072011, -324, 0x0.fffffffffffffp-1022);  // the largest subnormal
    expectConverts(22250738585072014, -324, 0x1.0000000000000p-1022);  // the smallest normal
    expectConverts(49406564584124654, -340, 0x0.0000000000001p-1022);  // the smallest subnormal
    expectConverts(24703282292062328, -340, 0x0.0000000000001p-1022);  // just above half of it
    expectConverts(24703282292062327, -340, 0.0);                       // just below: zero
    expectConverts(1, -342, 0.0);
    expectConverts(1, -400, 0.0);
}

TEST(DecimalToDouble, LargestFiniteValuesAndOverflow)
{
    expectConverts(17976931348623157, 292, 0x1.fffffffffffffp+1023);
    expectConverts(17976931348623158, 292, 0x1.fffffffffffffp+1023);
    expectConverts(17976931348623159, 292, std::numeric_limits<double>::infinity());
    expectConverts(898846567431158, 293, 0x1.0000000000000p+1023);
    expectConverts(1, 309, std::numeric_limits<double>::infinity());
    expectConverts(1, 400, std::numeric_limits<double>::infinity());
}

TEST(DecimalToDouble, ZeroIsZeroAtAnyExponent)
{
    expectConverts(0, 0, 0.0);
    expectConverts(0, 400, 0.0);
    expectConverts(0, -400, 0.0);
}

// Every significand length from 1 to 19 digits and every power of ten a
// double reaches, against std::from_chars reading the same text.
TEST(DecimalToDouble, AgreesWithTheStandardLibraryOnRandomDecimals)
{
    std::mt19937_64 random(20261207);
    int mismatches = 0;
    for (int sample = 0; sample < 300000 && mismatches < 10; ++sample) {
        int digits = 1 + static_cast<int>(random() % 19);
        std::uint64_t limit = 1;
        for (int i = 0; i < digits; ++i)
            limit *= 10;
        std::uint64_t significand = random() % limit;
        std::int64_t exponent = static_cast<std::int64_t>(random() % 700) - 360;
        std::string text = std::to_string(significand) + "e" + std::to_string(exponent);
        double expected = 0;
        std::from_chars_result read = std::from_chars(text.data(), text.data() + text.size(), expected);
        if (read.ec == std::errc::result_out_of_range)
            expected = exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        double converted = jt_decimalToDouble(significand, exponent, false);
        if (bitsOf(converted) != bitsOf(expected)) {
            ADD_FAILURE() << text << ": " << std::hexfloat << converted << ", the library reads " << expected;
            ++mismatches;
        }
    }
}

} // namespace
} // namespace jotter::testing
