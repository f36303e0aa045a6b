#include "EncodingHelpers.h"

#include "foundation/objects/Array.h"
#include "foundation/objects/Date.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Exception.h"
#include "foundation/objects/Null.h"
#include "foundation/objects/Number.h"
#include "json/JSONDecoder.h"

#include <gtest/gtest.h>

namespace testsupport {

using namespace jotter;

namespace {

using foundation::Array;
using foundation::Dictionary;
using foundation::MutableArray;
using foundation::MutableDictionary;
using foundation::Number;
using foundation::Object;
using foundation::Ref;
using foundation::str;

TEST(ContainerEncoding, CompactFormKeepsTheDictionaryOrderAndNoBlankOutsideStrings)
{
    Ref<MutableDictionary> dictionary = MutableDictionary::create();
    dictionary->setObject(Number::withSigned(1).get(), "b");
    dictionary->setObject(Array::create({Number::withSigned(1).get(), foundation::Null::null()}).get(), "a");
    dictionary->setObject(str("Analytical Engines Ltd").get(), "organization");
    EXPECT_EQ(jsonText(dictionary.get()), R"({"b":1,"a":[1,null],"organization":"Analytical Engines Ltd"})");
}

TEST(ContainerEncoding, PrettyFormIndentsByTwo)
{
    Ref<MutableDictionary> dictionary = MutableDictionary::create();
    dictionary->setObject(Number::withSigned(1).get(), "b");
    dictionary->setObject(Array::create({Number::withSigned(1).get(), Number::withSigned(2).get()}).get(), "a");
    EXPECT_EQ(jsonText(dictionary.get(), JTSerializeOptionPretty),
        "{\n"
        "  \"a\": [\n"
        "    1,\n"
        "    2\n"
        "  ],\n"
        "  \"b\": 1\n"
        "}");
}

TEST(ContainerEncoding, PrettyFormSortsKeysByCodePoint)
{
    Ref<MutableDictionary> keys = MutableDictionary::create();
    for (const char* key : {"b", "\u00e9", "B", "a", "", "aa"})
        keys->setObject(foundation::Null::null(), key);
    EXPECT_EQ(jsonText(keys.get(), JTSerializeOptionPretty),
        "{\n  \"\": null,\n  \"B\": null,\n  \"a\": null,\n  \"aa\": null,\n  \"b\": null,\n  \"\u00e9\": null\n}");
}

TEST(ContainerEncoding, EmptyContainersInBothForms)
{
    Ref<Array> array = Array::create();
    Ref<Dictionary> dictionary = Dictionary::create();
    EXPECT_EQ(jsonText(array.get()), "[]");
    EXPECT_EQ(jsonText(dictionary.get()), "{}");
    EXPECT_EQ(jsonText(array.get(), JTSerializeOptionPretty), "[\n  \n]");
    EXPECT_EQ(jsonText(dictionary.get(), JTSerializeOptionPretty), "{\n  \n}");
    Ref<Array> nested = Array::create({array.get(), dictionary.get()});
    EXPECT_EQ(jsonText(nested.get(), JTSerializeOptionPretty), "[\n  [\n    \n  ],\n  {\n    \n  }\n]");
}

TEST(ContainerEncoding, NonStringKeyIsRefusedInBothForms)
{
    Ref<MutableDictionary> dictionary = MutableDictionary::create();
    dictionary->setObject(str("one").get(), "a");
    dictionary->setObject(str("two").get(), Number::withSigned(2).get());
    EXPECT_EQ(failureMessage(dictionary.get()), "Key must be a string object.");
    EXPECT_EQ(failureMessage(dictionary.get(), JTSerializeOptionPretty), "Key must be a string object.");
}

// Containers above 1020 entries are walked by fast enumeration instead of
// one fetch; both ways give the same text.
TEST(ContainerEncoding, LargeContainersOnBothSidesOfTheFetchLimit)
{
    for (std::size_t count : {1020u, 1021u, 5000u}) {
        std::vector<Ref<Object>> elements;
        Ref<MutableDictionary> dictionary = MutableDictionary::create();
        std::string expectedArray = "[";
        std::string expectedDictionary = "{";
        for (std::size_t index = 0; index < count; ++index) {
            elements.push_back(Number::withUnsigned(index));
            std::string key = "k" + std::to_string(index);
            dictionary->setObject(elements.back().get(), key);
            const char* separator = index ? "," : "";
            expectedArray += separator + std::to_string(index);
            expectedDictionary += separator + ("\"" + key + "\":") + std::to_string(index);
        }
        EXPECT_EQ(jsonText(Array::create(elements).get()), expectedArray + "]") << count;
        EXPECT_EQ(jsonText(dictionary.get()), expectedDictionary + "}") << count;
    }
}

// Decoded immutable collections are read in place, mutable ones through the
// platform's calls: the text is the same either way, large ones included.
TEST(ContainerEncoding, DecodedImmutableAndMutableTreesEncodeAlike)
{
    std::string large = "[";
    for (int index = 0; index < 1500; ++index)
        large += (index ? ",{\"i\":" : "{\"i\":") + std::to_string(index) + "}";
    large += "]";
    const std::string documents[] = {R"([{"k":[1,2.5,"s",{"n":null}]},[],{},[true,false]])", large};
    for (const std::string& document : documents) {
        Ref<jotter::JSONDecoder> decoder = jotter::JSONDecoder::decoder();
        Ref<Object> immutable = decoder->objectWithUTF8String(document.data(), document.size());
        Ref<Object> mutableTree = decoder->mutableObjectWithUTF8String(document.data(), document.size());
        ASSERT_TRUE(immutable && mutableTree);
        EXPECT_EQ(jsonText(immutable.get()), document);
        EXPECT_EQ(jsonText(mutableTree.get()), document);
    }
    const std::string keys = R"({"alpha":1,"beta":[2],"gamma":{"delta":"d"},"epsilon":null})";
    Ref<jotter::JSONDecoder> decoder = jotter::JSONDecoder::decoder();
    Ref<Object> immutable = decoder->objectWithUTF8String(keys.data(), keys.size());
    Ref<Object> mutableTree = decoder->mutableObjectWithUTF8String(keys.data(), keys.size());
    EXPECT_EQ(jsonText(immutable.get()), jsonText(mutableTree.get()));
}

TEST(ContainerEncoding, MutatingALargeArrayDuringTheWalkRaises)
{
    Ref<MutableArray> array = MutableArray::create();
    for (int index = 0; index < 1100; ++index)
        array->addObject(index == 3 ? static_cast<Object*>(foundation::Date::now().get()) : str("x").get());
    FormatterBlock growArray = [&](Object*) -> Ref<Object> {
        array->addObject(str("added").get());
        return str("date");
    };
    EXPECT_THROW((void)jsonText(array.get(), JTSerializeOptionNone, JTEncodeOptionResultData, &growArray),
        foundation::Exception);
}

Ref<Object> nestedArrays(std::size_t depth)
{
    Ref<Object> value = Number::withSigned(1);
    for (std::size_t level = 0; level < depth; ++level)
        value = Array::create({value.get()});
    return value;
}

TEST(ContainerEncoding, NestingIsWrittenUpTo512Levels)
{
    EXPECT_EQ(jsonText(nestedArrays(512).get()), std::string(512, '[') + "1" + std::string(512, ']'));
}

// A formatter that keeps answering with a container holding another
// unsupported value would recurse for ever; the limit ends it too.
TEST(ContainerEncoding, NestingBeyond512LevelsIsRefused)
{
    const std::string message = "Unable to serialize arrays and dictionaries nested deeper than 512 levels.";
    EXPECT_EQ(failureMessage(nestedArrays(513).get()), message);
    EXPECT_EQ(failureMessage(nestedArrays(2000).get(), JTSerializeOptionPretty), message);

    Ref<Object> dictionaries(foundation::Null::null());
    for (std::size_t level = 0; level < 513; ++level)
        dictionaries = Dictionary::create({{str("k").get(), dictionaries.get()}});
    EXPECT_EQ(failureMessage(dictionaries.get()), message);

    FormatterBlock wrapAgain = [](Object*) -> Ref<Object> { return Array::create({foundation::Date::now().get()}); };
    Ref<Array> root = Array::create({foundation::Date::now().get()});
    EXPECT_EQ(failureMessage(root.get(), JTSerializeOptionNone, JTEncodeOptionResultData, &wrapAgain), message);
}

} // namespace
} // namespace testsupport
