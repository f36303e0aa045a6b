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

    int mismatches = 0;
    for (double value : values) {
        if (!std::isfinite(value))
            continue;  // past the largest power of ten
        char printed[40];
        std::snprintf(printed, sizeof printed, "%.17g", value);
        char text[SeventeenDigitDoubleBufferSize];
        std::string written(text, writeSeventeenDigitDouble(value, text));
        if (written != printed && ++mismatches <= 5)
            ADD_FAILURE() << "value " << printed << " written as " << written;
    }
    EXPECT_EQ(mismatches, 0);
}

} // namespace
} // namespace jotter
