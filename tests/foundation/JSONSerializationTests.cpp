#include "foundation/Array.h"
#include "foundation/Dictionary.h"
#include "foundation/JSONSerialization.h"
#include "foundation/Null.h"
#include "foundation/Number.h"
#include "foundation/String.h"

#include <gtest/gtest.h>

using namespace foundation;

namespace {

Ref<Object> decode(std::string_view text, unsigned options = JSONReadingOptions::AllowFragments, Ref<Error>* error = nullptr)
{
    return JSONSerialization::JSONObjectWithData(*Data::create(text), options, error);
}

char typeCodeOf(std::string_view text)
{
    Ref<Object> value = decode(text);
    return value && value->isNumber() ? static_ref_cast<Number>(value)->typeCode() : '?';
}

} // namespace

TEST(JSONSerialization, DecodesAFeedIntoPlatformObjects)
{
    Ref<Object> feed = decode(R"({"stable":[{"canonical_version":"27.1","version":"27.1","path":"a/x.dmg"}],"n":[1,-2,2.5,true,false,null],"u":"\u00e9\ud83d\ude00"})", 0);
    ASSERT_TRUE(feed && feed->isDictionary());
    auto* dictionary = static_cast<Dictionary*>(feed.get());
    auto* stable = static_cast<Array*>(dictionary->objectForKey("stable"));
    ASSERT_TRUE(stable && stable->isArray());
    auto* entry = static_cast<Dictionary*>(stable->objectAtIndex(0));
    EXPECT_EQ(static_cast<String*>(entry->objectForKey("path"))->utf8(), "a/x.dmg");
    EXPECT_EQ(entry->count(), 3u);

    auto* numbers = static_cast<Array*>(dictionary->objectForKey("n"));
    ASSERT_EQ(numbers->count(), 6u);
    EXPECT_EQ(static_cast<Number*>(numbers->objectAtIndex(1))->int64Value(), -2);
    EXPECT_EQ(static_cast<Number*>(numbers->objectAtIndex(2))->doubleValue(), 2.5);
    EXPECT_EQ(numbers->objectAtIndex(3), Number::trueValue());
    EXPECT_EQ(numbers->objectAtIndex(4), Number::falseValue());
    EXPECT_EQ(numbers->objectAtIndex(5), Null::null());
    EXPECT_EQ(static_cast<String*>(dictionary->objectForKey("u"))->utf8(), "\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(JSONSerialization, NumbersKeepThePlatformTypeCodes)
{
    EXPECT_EQ(typeCodeOf("0"), 'q');
    EXPECT_EQ(typeCodeOf("-9223372036854775808"), 'q');
    EXPECT_EQ(typeCodeOf("9223372036854775807"), 'q');
    EXPECT_EQ(typeCodeOf("9223372036854775808"), 'Q');
    EXPECT_EQ(typeCodeOf("18446744073709551615"), 'Q');
    EXPECT_EQ(typeCodeOf("18446744073709551616"), 'd');
    EXPECT_EQ(typeCodeOf("1.0"), 'd');
    EXPECT_EQ(typeCodeOf("1e3"), 'd');
    EXPECT_EQ(static_ref_cast<Number>(decode("18446744073709551615"))->uint64Value(), 18446744073709551615u);
}

TEST(JSONSerialization, FragmentsOnlyWithTheOption)
{
    Ref<Object> text = decode(R"("27.1")");
    ASSERT_TRUE(text && text->isString());
    EXPECT_EQ(decode("null"), Null::null());

    Ref<Error> error;
    EXPECT_FALSE(decode(R"("27.1")", 0, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain().utf8(), "NSCocoaErrorDomain");
    EXPECT_EQ(error->code(), JSONReadingCorruptError);
}

TEST(JSONSerialization, BadInputGivesNullAndAnError)
{
    std::string deep(JSONSerialization::MaximumDepth + 1, '[');
    std::string deepest(JSONSerialization::MaximumDepth, '[');
    deepest += std::string(JSONSerialization::MaximumDepth, ']');
    EXPECT_TRUE(decode(deepest));

    for (std::string_view text : {std::string_view(""), std::string_view("{"), std::string_view("[1,]"),
             std::string_view("{\"a\" 1}"), std::string_view("[1] x"), std::string_view("nul"),
             std::string_view("[\"\xC3\x28\"]"), std::string_view("[\"\\ud800\"]"), std::string_view("\xFF"),
             std::string_view("<html>Not Found</html>"), std::string_view(deep)}) {
        Ref<Error> error;
        EXPECT_FALSE(decode(text, JSONReadingOptions::AllowFragments, &error)) << text;
        ASSERT_TRUE(error) << text;
        EXPECT_EQ(error->code(), JSONReadingCorruptError) << text;
        EXPECT_TRUE(error->userInfo()->objectForKey("NSDebugDescription")) << text;
    }
    // No error out-parameter: still just null.
    EXPECT_FALSE(decode("{", 0));
}
