#include "json/internal/SeventeenDigitDouble.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace jotter {
namespace {

std::string written(double value)
{
    char text[SeventeenDigitDoubleBufferSize];
    return {text, writeSeventeenDigitDouble(value, text)};
}

// Compares the writer with printf over `values`, reporting the first few
// that differ.
void expectSameAsPrintf(const std::vector<double>& values)
{
    int mismatches = 0;
    for (double value : values) {
        char printed[40];
        std::snprintf(printed, sizeof printed, "%.17g", value);
        if (written(value) != printed && ++mismatches <= 5)
            ADD_FAILURE() << "value " << printed << " written as " << written(value);
    }
    EXPECT_EQ(mismatches, 0);
}

// Each of printf's layouts, the sign, and the values at the ends of the
// double range.
TEST(SeventeenDigitDouble, WritesEachLayoutAsPrintfDoes)
{
    EXPECT_EQ(written(-65.613616999999977), "-65.613616999999977");
    EXPECT_EQ(written(123456789012345.67), "123456789012345.67");
    EXPECT_EQ(written(2.5), "2.5");
    EXPECT_EQ(written(-1234.0), "-1234");
    EXPECT_EQ(written(1e16), "10000000000000000");
    EXPECT_EQ(written(1e17), "1e+17");
    EXPECT_EQ(written(0.0001), "0.0001");
    EXPECT_EQ(written(-0.00012345678901234567), "-0.00012345678901234567");
    EXPECT_EQ(written(6.67572021484375e-06), "6.67572021484375e-06");
    EXPECT_EQ(written(1e-5), "1.0000000000000001e-05");
    EXPECT_EQ(written(-1e-11), "-9.9999999999999994e-12");
    EXPECT_EQ(written(0.0), "0");
    EXPECT_EQ(written(-0.0), "-0");
    EXPECT_EQ(written(std::numeric_limits<double>::denorm_min()), "4.9406564584124654e-324");
    EXPECT_EQ(written(-std::numeric_limits<double>::max()), "-1.7976931348623157e+308");
}

// A 17-digit result exactly halfway between two is rounded to the even
// one, as printf does, at every scale: an odd integer times 2^-k has an
// exact decimal expansion, which for small integers ends in a 5 right
// after the 17th digit.
TEST(SeventeenDigitDouble, RoundsTiesToEven)
{
    EXPECT_EQ(written(1125899906842624.25), "1125899906842624.2");
    EXPECT_EQ(written(1125899906842624.75), "1125899906842624.8");
    EXPECT_EQ(written(std::ldexp(3.0, -24)), "1.7881393432617188e-07");
    std::vector<double> ties;
    for (int exponent = 1; exponent <= 60; ++exponent) {
        for (int odd = 1; odd < 4096; odd += 2)
            ties.push_back(std::ldexp(static_cast<double>(odd), -exponent));
    }
    expectSameAsPrintf(ties);
}

// Around the powers of two where the written range starts and ends, and
// where the scaled value stops needing rounding (from about 2^51 on).
TEST(SeventeenDigitDouble, MatchesPrintfAtTheEdgesOfTheComputedRange)
{
    EXPECT_EQ(written(std::ldexp(1.0, -36)), "1.4551915228366852e-11");
    EXPECT_EQ(written(std::nextafter(std::ldexp(1.0, -36), 0.0)), "1.455191522836685e-11");
    EXPECT_EQ(written(std::ldexp(1.0, 56)), "72057594037927936");
    EXPECT_EQ(written(std::nextafter(std::ldexp(1.0, 56), 0.0)), "72057594037927928");
    std::vector<double> values;
    for (int power : {-38, -37, -36, -35, 49, 50, 51, 52, 53, 54, 55, 56, 57}) {
        double below = std::ldexp(1.0, power);
        double above = below;
        for (int step = 0; step < 64; ++step) {
            values.insert(values.end(), {below, above, -above});
            below = std::nextafter(below, 0.0);
            above = std::nextafter(above, HUGE_VAL);
        }
    }
    expectSameAsPrintf(values);
}

// The writer must give exactly what "%.17g" gives, for every finite double.
// The values: the neighbours of every power of ten and of the points where
// the layout switches (where a wrong exponent estimate or a rounding carry
// into the next decade would show); exact ties after the 17th digit (an odd
// 53-bit mantissa over 4, rounded to even as printf does) and integers near
// 2^53 and 10^17; then random values of every magnitude and random bits.
TEST(SeventeenDigitDouble, MatchesPrintfAtEveryMagnitude)
{
    std::vector<double> values = {0.0, -0.0, 0.5, 2.5e-16, 9007199254740993.0,
        std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::min(),
        std::numeric_limits<double>::max()};
    for (int exponent = -323; exponent <= 308; ++exponent) {
        double power = std::pow(10.0, exponent);
        double below = power;
        double above = power;
        for (int step = 0; step < 4; ++step) {
            values.insert(values.end(), {below, above});
            below = std::nextafter(below, 0.0);
            above = std::nextafter(above, HUGE_VAL);
        }
        values.insert(values.end(), {power * 9.9999999999999999, power * 0.99999999999999994});
    }
    for (std::uint64_t integer = 1; integer < 4096; ++integer) {
        values.insert(values.end(), {static_cast<double>(integer), static_cast<double>(integer) / 1024.0,
            static_cast<double>((1ull << 53) - integer), static_cast<double>(100000000000000000ull - integer * 8),
            std::ldexp(static_cast<double>(integer), -60),
            std::ldexp(static_cast<double>((1ull << 52) + 2 * integer + 1), -2)});
    }
    std::mt19937_64 random(17);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-12, 20);
    for (int index = 0; index < 200000; ++index)
        values.push_back((index % 2 ? -1 : 1) * mantissa(random) * std::pow(10.0, exponent(random)));
    while (values.size() < 300000) {
        std::uint64_t bits = random();
        values.push_back(0);
        std::memcpy(&values.back(), &bits, sizeof bits);
    }

    std::erase_if(values, [](double value) { return !std::isfinite(value); });  // past the largest power of ten
    expectSameAsPrintf(values);
}

} // namespace
} // namespace jotter
