// Jotter under a locale that writes a decimal comma, as in a program that
// took a German user's locale: JSON numbers have a decimal point in every
// locale, so reading and writing them must not follow it.
#include "DecodingHelpers.h"

#include "support/DecimalCommaLocale.h"

namespace testsupport {

using namespace jotter;

namespace {

TEST(DecimalCommaLocale, DoublesOutOfRangeStillSayOverflowOrUnderflow)
{
    testsupport::DecimalCommaLocale locale;
    ASSERT_TRUE(locale.active());
    EXPECT_EQ(decodeFailure("[1.5e400]"), "The value '1.5e400' could not be represented as a 'double' due to overflow.");
    EXPECT_EQ(decodeFailure("[-1.5e400]"), "The value '-1.5e400' could not be represented as a 'double' due to overflow.");
    EXPECT_EQ(decodeFailure("[1.5e-400]"),
        "The value '1.5e-400' could not be represented as a 'double' due to underflow.");
}

TEST(DecimalCommaLocale, FractionsAndExponentsDecodeAndEncodeByteForByte)
{
    testsupport::DecimalCommaLocale locale;
    ASSERT_TRUE(locale.active());
    // Each number is already in the encoder's form (the shortest "%.17g"
    // text of its double), so the text must come back unchanged.
    const std::string document =
        R"([0.5,-0.375,{"x":1048576.25},9.5367431640625e-07,[1e+22,-3.0517578125e-05],0.10000000000000001,-0,2.2250738585072014e-308])";
    EXPECT_EQ(recoded(document), document);
}

} // namespace
} // namespace testsupport
