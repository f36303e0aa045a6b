#include "foundation/objects/Data.h"
#include "foundation/objects/Date.h"
#include "foundation/objects/Exception.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"

#include <gtest/gtest.h>

#include <limits>

using namespace foundation;

TEST(Strings, InvalidUTF8GivesNull)
{
    // Truncated, overlong, a surrogate, above U+10FFFF, a byte never valid.
    for (std::string_view bad : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "abc\xFF"})
        EXPECT_EQ(String::create(bad), nullptr) << bad;
    EXPECT_NE(String::create(std::string_view("a\0b", 3)), nullptr);  // NUL is a character
}

TEST(Strings, LengthCountsUTF16Units)
{
    Ref<String> text = String::create("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");  // a é € 😀
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->length(), 5u);
    EXPECT_FALSE(text->isASCII());
    EXPECT_TRUE(str("plain ascii text!")->isASCII());
}

TEST(Strings, EqualityIsByValue)
{
    Ref<String> a = str("caf\xC3\xA9");
    Ref<String> b = String::create("caf\xC3\xA9");
    EXPECT_TRUE(equal(a.get(), b.get()));
    EXPECT_EQ(hashOf(*a), hashOf(*b));
    EXPECT_NE(hashOf(*str("ab")), hashOf(*str("ba")));
    EXPECT_FALSE(equal(str("1").get(), Number::withSigned(1).get()));
}

TEST(Strings, OrderIsByCodePoint)
{
    EXPECT_LT(str("Z")->compare(*str("a")), 0);
    EXPECT_LT(str("\xEF\xBF\xBD")->compare(*str("\xF0\x9F\x98\x80")), 0);  // U+FFFD before U+1F600
}

TEST(Numbers, EqualValuesAreEqualAcrossTypes)
{
    Ref<Number> values[] = {Number::withSigned(1, 'c'), Number::withSigned(1, 'q'), Number::withUnsigned(1, 'Q'),
                            Number::withDouble(1.0), Number::withFloat(1.0f), Ref(Number::trueValue()), Number::withBooleanValue(true)};
    for (const auto& a : values) {
        for (const auto& b : values) {
            EXPECT_TRUE(equal(a.get(), b.get())) << a->objCType() << " vs " << b->objCType();
            EXPECT_EQ(hashOf(*a), hashOf(*b));
        }
    }
    EXPECT_FALSE(Number::withBooleanValue(true)->isBooleanSingleton());
    EXPECT_FALSE(equal(Number::withSigned(-1).get(), Number::withUnsigned(std::numeric_limits<std::uint64_t>::max()).get()));
    EXPECT_FALSE(equal(Number::withSigned(1).get(), Number::withDouble(1.5).get()));
    EXPECT_FALSE(equal(Number::withSigned(std::numeric_limits<std::int64_t>::max()).get(), Number::withDouble(9223372036854775808.0).get()));
    EXPECT_TRUE(equal(Number::withDouble(-0.0).get(), Number::withSigned(0).get()));
    EXPECT_LT(Number::withSigned(-5)->compare(*Number::withUnsigned(3)), 0);
}

TEST(Numbers, SmallTypeCodesNarrowAsACCastWould)
{
    EXPECT_EQ(Number::withSigned(300, 'c')->int64Value(), 44);
    EXPECT_EQ(Number::withUnsigned(70000, 'S')->uint64Value(), 4464u);
    EXPECT_STREQ(Number::withSigned(1, 'i')->objCType(), "i");
    EXPECT_THROW(Number::withSigned(1, 'x'), Exception);
}

TEST(Values, DataComparesAndDescribesItsBytes)
{
    EXPECT_TRUE(equal(Data::create("hello").get(), Data::create("hello").get()));
    EXPECT_EQ(Data::create("hello")->description(), "{length = 5, bytes = 0x68656c6c6f}");
}

TEST(Values, DatesDescribeThemselvesInUTC)
{
    EXPECT_EQ(Date::withTimeIntervalSince1970(0)->description(), "1970-01-01 00:00:00 +0000");
    EXPECT_EQ(Date::withTimeIntervalSince1970(1796586271.75)->description(), "2026-12-06 19:44:31 +0000");
    EXPECT_EQ(Date::withTimeIntervalSince1970(-1)->description(), "1969-12-31 23:59:59 +0000");
}
