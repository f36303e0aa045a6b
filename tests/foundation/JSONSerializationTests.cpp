#include "foundation/objects/Array.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/storage/JSONSerialization.h"
#include "foundation/objects/Null.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"

#include <gtest/gtest.h>

using namespace foundation;

namespace {

constexpr unsigned AllowFragments = JSONReadingOptions::AllowFragments;

Ref<Object> decode(std::string_view text, unsigned options = AllowFragments, Ref<Error>* error = nullptr)
{
    return JSONSerialization::JSONObjectWithData(*Data::create(text), options, error);
}

} // namespace

TEST(JSONSerialization, DecodesNestedValuesIntoPlatformObjects)
{
    Ref<Object> root = decode(R"({"n":[1,-2,2.5,true,false,null,{"u":"\u00e9\ud83d\ude00"}]})", 0);
    ASSERT_TRUE(root && root->isDictionary());
    auto* values = static_cast<Array*>(static_cast<Dictionary*>(root.get())->objectForKey("n"));
    ASSERT_TRUE(values && values->isArray() && values->count() == 7);
    EXPECT_EQ(static_cast<Number*>(values->objectAtIndex(1))->int64Value(), -2);
    EXPECT_EQ(static_cast<Number*>(values->objectAtIndex(2))->doubleValue(), 2.5);
    EXPECT_EQ(values->objectAtIndex(3), Number::trueValue());
    EXPECT_EQ(values->objectAtIndex(4), Number::falseValue());
    EXPECT_EQ(values->objectAtIndex(5), Null::null());
    auto* inner = static_cast<Dictionary*>(values->objectAtIndex(6));
    EXPECT_EQ(static_cast<String*>(inner->objectForKey("u"))->utf8(), "\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(JSONSerialization, NumbersKeepThePlatformTypeCodes)
{
    const std::pair<std::string_view, char> cases[] = {{"0", 'q'}, {"-9223372036854775808", 'q'}, {"9223372036854775807", 'q'},
        {"9223372036854775808", 'Q'}, {"18446744073709551615", 'Q'}, {"18446744073709551616", 'd'}, {"1.0", 'd'}, {"1e3", 'd'}};
    for (const auto& [text, typeCode] : cases) {
        Ref<Object> value = decode(text);
        ASSERT_TRUE(value && value->isNumber()) << text;
        EXPECT_EQ(static_ref_cast<Number>(value)->typeCode(), typeCode) << text;
    }
    EXPECT_EQ(static_ref_cast<Number>(decode("18446744073709551615"))->uint64Value(), 18446744073709551615u);
}

TEST(JSONSerialization, AFragmentDecodesWithTheOption)
{
    EXPECT_TRUE(decode(R"("27.1")")->isString());
    EXPECT_EQ(decode("null").get(), Null::null());
}

TEST(JSONSerialization, NestingDecodesUpTo512Levels)
{
    EXPECT_TRUE(decode(std::string(512, '[') + std::string(512, ']')));
}

TEST(JSONSerialization, BadInputOrAFragmentWithoutTheOptionGivesNullAndAnError)
{
    std::string deep(513, '[');
    const std::pair<std::string_view, unsigned> cases[] = {{R"("27.1")", 0}, {"", AllowFragments}, {"{", AllowFragments},
        {"[1,]", AllowFragments}, {"{\"a\" 1}", AllowFragments}, {"[1] x", AllowFragments}, {"nul", AllowFragments},
        {"[\"\xC3\x28\"]", AllowFragments}, {"[\"\\ud800\"]", AllowFragments}, {"\xFF", AllowFragments},
        {"<html>Not Found</html>", AllowFragments}, {deep, AllowFragments}};
    for (const auto& [text, options] : cases) {
        Ref<Error> error;
        EXPECT_FALSE(decode(text, options, &error)) << text;
        ASSERT_TRUE(error) << text;
        EXPECT_EQ(error->domain().utf8(), "NSCocoaErrorDomain") << text;
        EXPECT_EQ(error->code(), JSONReadingCorruptError) << text;
        EXPECT_TRUE(error->userInfo()->objectForKey("NSDebugDescription")) << text;
    }
    EXPECT_FALSE(decode("{", 0));  // no error out-parameter: still just null
}
