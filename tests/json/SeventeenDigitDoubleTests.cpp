#include "json/SeventeenDigitDouble.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace jotter {
namespace {

std::string printed(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string written(double value)
{
    char text[SeventeenDigitDoubleMaximumLength + 8];
    char* end = writeSeventeenDigitDouble(value, text);
    return std::string(text, end);
}

// Counts mismatches instead of stopping at the first, and names a few.
void expectAllMatchPrintf(const std::vector<double>& values)
{
    int mismatches = 0;
    for (double value : values) {
        if (written(value) != printed(value) && ++mismatches <= 5)
            ADD_FAILURE() << "value " << printed(value) << " written as " << written(value);
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(SeventeenDigitDouble, SimpleValues)
{
    EXPECT_EQ(written(1.0), "1");
    EXPECT_EQ(written(0.1), "0.10000000000000001");
    EXPECT_EQ(written(-65.613616999999977), "-65.613616999999977");
    EXPECT_EQ(written(0.0), "0");
    EXPECT_EQ(written(-0.0), "-0");
    EXPECT_EQ(written(1e21), "1e+21");
    EXPECT_EQ(written(1e-5), "1.0000000000000001e-05");
    EXPECT_EQ(written(123456789012345678.0), "1.2345678901234568e+17");
}

// Around every power of ten the layout switches and rounding may carry into
// the next decade; the neighbours of each power and of the switch points
// are where a wrong exponent estimate would show.
TEST(SeventeenDigitDouble, AroundPowersOfTen)
{
    std::vector<double> values;
    for (int exponent = -330; exponent <= 310; ++exponent) {
        double power = std::pow(10.0, exponent);
        double below = power;
        double above = power;
        for (int step = 0; step < 4; ++step) {
            values.push_back(below);
            values.push_back(above);
            below = std::nextafter(below, 0.0);
            above = std::nextafter(above, HUGE_VAL);
        }
        values.push_back(power * 9.9999999999999999);
        values.push_back(power * 0.99999999999999994);
    }
    for (double& value : values)
        if (!std::isfinite(value))
            value = 1;
    expectAllMatchPrintf(values);
}

// Values whose digits after the 17th are exactly a half test the rounding of
// ties (to even, as printf does): an odd 53-bit mantissa over 4 is such a
// value, 1125899906842624.25 for instance.
TEST(SeventeenDigitDouble, ExactTiesAndIntegers)
{
    std::vector<double> values;
    for (std::uint64_t integer = 1; integer < 4096; ++integer) {
        values.push_back(static_cast<double>(integer));
        values.push_back(static_cast<double>(integer) / 1024.0);
        values.push_back(static_cast<double>((1ull << 53) - integer));
        values.push_back(static_cast<double>(100000000000000000ull - integer * 8));
        values.push_back(std::ldexp(static_cast<double>(integer), -60));
        values.push_back(std::ldexp(static_cast<double>((1ull << 52) + 2 * integer + 1), -2));
    }
    values.push_back(9007199254740993.0);
    values.push_back(0.5);
    values.push_back(2.5e-16);
    expectAllMatchPrintf(values);
}

TEST(SeventeenDigitDouble, RandomValuesOfEveryMagnitude)
{
    std::mt19937_64 random(17);
    std::vector<double> values;
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-12, 20);
    for (int index = 0; index < 200000; ++index) {
        double value = mantissa(random) * std::pow(10.0, exponent(random));
        values.push_back(index % 2 ? -value : value);
    }
    while (values.size() < 300000) {
        std::uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value))
            values.push_back(value);
    }
    values.push_back(std::numeric_limits<double>::denorm_min());
    values.push_back(std::numeric_limits<double>::min());
    values.push_back(std::numeric_limits<double>::max());
    expectAllMatchPrintf(values);
}

} // namespace
} // namespace jotter
