// Number text under a locale that writes a decimal comma: descriptions and
// format directives stay as in the "C" locale, since their readers (log
// lines, JSON, peers) expect a point.
#include "foundation/objects/Array.h"
#include "foundation/objects/Format.h"
#include "foundation/objects/Number.h"
#include "foundation/storage/JSONSerialization.h"
#include "support/DecimalCommaLocale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace foundation;

TEST(DecimalCommaLocale, DoubleAndFloatDescriptionsKeepTheDecimalPoint)
{
    testsupport::DecimalCommaLocale locale;
    ASSERT_TRUE(locale.active());
    EXPECT_EQ(Number::withDouble(1.5)->description(), "1.5");
    EXPECT_EQ(Number::withDouble(-0.1)->description(), "-0.1");
    EXPECT_EQ(Number::withDouble(2.5e-7)->description(), "2.5e-07");
    EXPECT_EQ(Number::withDouble(0.1 + 0.2)->description(), "0.30000000000000004");
    EXPECT_EQ(Number::withDouble(1234567.25)->description(), "1234567.25");
    EXPECT_EQ(Number::withFloat(0.1f)->description(), "0.1");
    EXPECT_EQ(Number::withDouble(std::numeric_limits<double>::infinity())->description(), "inf");
}

TEST(DecimalCommaLocale, FormatDirectivesWriteAsInTheCLocale)
{
    testsupport::DecimalCommaLocale locale;
    ASSERT_TRUE(locale.active());
    EXPECT_EQ(format("%f|%.2f|%8.3f", 1.5, 13.5, -0.25), "1.500000|13.50|  -0.250");
    EXPECT_EQ(format("%g|%g|%G|%.17g", 0.25, 1e-10, 2.5e20, 0.1), "0.25|1e-10|2.5E+20|0.10000000000000001");
    EXPECT_EQ(format("%e|%.1E", 1234.5, 0.05), "1.234500e+03|5.0E-02");
    EXPECT_EQ(format("%a", 1.0), "0x1p+0");
    // The grouping flag groups nothing in the "C" locale.
    EXPECT_EQ(format("%'d|%'.1f", 1234567, 1234567.5), "1234567|1234567.5");
    EXPECT_EQ(format("%@ and %@", Number::withDouble(0.5), Number::withSigned(-3)), "0.5 and -3");
}

// The agent's JSON reader (on nlohmann-json, which reads with the locale's
// own decimal point in place of JSON's).
TEST(DecimalCommaLocale, JSONSerializationReadsFractionsWhole)
{
    testsupport::DecimalCommaLocale locale;
    ASSERT_TRUE(locale.active());
    Ref<Object> tree = JSONSerialization::JSONObjectWithData(*Data::create(std::string_view("[1.5, -2.5e-3]")), 0);
    ASSERT_TRUE(tree && tree->isArray());
    auto& array = static_cast<Array&>(*tree);
    ASSERT_EQ(array.count(), 2u);
    EXPECT_EQ(static_cast<Number*>(array.objectAtIndex(0))->doubleValue(), 1.5);
    EXPECT_EQ(static_cast<Number*>(array.objectAtIndex(1))->doubleValue(), -0.0025);
}
