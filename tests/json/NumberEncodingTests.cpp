#include "EncodingHelpers.h"

#include "foundation/Number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace jotter::testing {
namespace {

using foundation::Number;
using foundation::Ref;

std::string encodeNumber(const Ref<Number>& number)
{
    return jsonText(number.get());
}

TEST(NumberEncoding, BooleansAreTheTwoSingletons)
{
    EXPECT_EQ(jsonText(Number::trueValue()), "true");
    EXPECT_EQ(jsonText(Number::falseValue()), "false");
    // A B-typed number that is not a singleton prints as an integer.
    EXPECT_EQ(encodeNumber(Number::withBooleanValue(true)), "1");
    EXPECT_EQ(encodeNumber(Number::withBooleanValue(false)), "0");
}

TEST(NumberEncoding, EverySignedTypeCode)
{
    EXPECT_EQ(encodeNumber(Number::withSigned(-128, 'c')), "-128");
    EXPECT_EQ(encodeNumber(Number::withSigned(-32768, 's')), "-32768");
    EXPECT_EQ(encodeNumber(Number::withSigned(std::numeric_limits<std::int32_t>::min(), 'i')), "-2147483648");
    EXPECT_EQ(encodeNumber(Number::withSigned(-7, 'l')), "-7");
    EXPECT_EQ(encodeNumber(Number::withSigned(0, 'q')), "0");
    EXPECT_EQ(encodeNumber(Number::withSigned(std::numeric_limits<std::int64_t>::max(), 'q')), "9223372036854775807");
    EXPECT_EQ(encodeNumber(Number::withSigned(std::numeric_limits<std::int64_t>::min(), 'q')), "-9223372036854775808");
}

TEST(NumberEncoding, EveryUnsignedTypeCode)
{
    EXPECT_EQ(encodeNumber(Number::withUnsigned(255, 'C')), "255");
    EXPECT_EQ(encodeNumber(Number::withUnsigned(65535, 'S')), "65535");
    EXPECT_EQ(encodeNumber(Number::withUnsigned(4294967295u, 'I')), "4294967295");
    EXPECT_EQ(encodeNumber(Number::withUnsigned(42, 'L')), "42");
    EXPECT_EQ(encodeNumber(Number::withUnsigned(std::numeric_limits<std::uint64_t>::max(), 'Q')),
        "18446744073709551615");
}

TEST(NumberEncoding, DoublesPrintWithSeventeenSignificantDigits)
{
    EXPECT_EQ(encodeNumber(Number::withDouble(1.0)), "1");
    EXPECT_EQ(encodeNumber(Number::withDouble(0.1)), "0.10000000000000001");
    EXPECT_EQ(encodeNumber(Number::withDouble(1e21)), "1e+21");
    EXPECT_EQ(encodeNumber(Number::withDouble(-0.0)), "-0");
    EXPECT_EQ(encodeNumber(Number::withDouble(-1.5e-300)), "-1.5000000000000001e-300");
    EXPECT_EQ(encodeNumber(Number::withDouble(std::numeric_limits<double>::denorm_min())),
        "4.9406564584124654e-324");
    EXPECT_EQ(encodeNumber(Number::withDouble(std::numeric_limits<double>::max())), "1.7976931348623157e+308");
}

TEST(NumberEncoding, FloatsAreWidenedFirst)
{
    EXPECT_EQ(encodeNumber(Number::withFloat(0.5f)), "0.5");
    EXPECT_EQ(encodeNumber(Number::withFloat(0.1f)), "0.10000000149011612");
}

TEST(NumberEncoding, NaNAndInfinitiesAreRefused)
{
    const std::string message = "Floating point values must be finite.  JSON does not support NaN or Infinity.";
    EXPECT_EQ(failureMessage(Number::withDouble(std::nan("")).get()), message);
    EXPECT_EQ(failureMessage(Number::withDouble(HUGE_VAL).get()), message);
    EXPECT_EQ(failureMessage(Number::withDouble(-HUGE_VAL).get()), message);
    EXPECT_EQ(failureMessage(Number::withFloat(std::numeric_limits<float>::infinity()).get()), message);
}

} // namespace
} // namespace jotter::testing
