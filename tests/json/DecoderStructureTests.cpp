// Arrays, objects and the top level: the readers' accept states and
// messages, trailing text, nesting depth, truncation and what a failure
// leaves behind.

#include "CollectionHelpers.h"
#include "DecodingHelpers.h"

#include "foundation/objects/Exception.h"
#include "support/Raises.h"
#include "json/JotterDeserializing.h"

namespace testsupport {

using namespace jotter;

namespace {

TEST(DecoderStructure, EmptyContainersAreLibraryCollections)
{
    foundation::Ref<foundation::Object> array = decoded("[]");
    EXPECT_STREQ(array->className(), "JTArray");
    EXPECT_EQ(static_cast<foundation::Array&>(*array).count(), 0u);
    foundation::Ref<foundation::Object> dictionary = decoded(" {} ");
    EXPECT_STREQ(dictionary->className(), "JTDictionary");
    EXPECT_EQ(static_cast<foundation::Dictionary&>(*dictionary).count(), 0u);
}

TEST(DecoderStructure, NestedValuesKeepTheirOrderAndKeys)
{
    EXPECT_EQ(recoded(R"({"a": [1, {"b": null}, []], "c": {}})"), R"({"a":[1,{"b":null},[]],"c":{}})");
    EXPECT_EQ(recoded(R"({"k": 1, "k": 2})"), R"({"k":2})");  // a later equal key wins
}

TEST(DecoderStructure, TopLevelMustBeAnArrayOrObject)
{
    for (const char* text : {"1 ", "\"s\" ", "true ", "null "})
        EXPECT_EQ(decodeFailure(text), "Expected either '[' or '{'.") << text;
    EXPECT_EQ(decodeFailure(""), "Reached the end of the buffer.");
    EXPECT_EQ(decodeFailure("  \n"), "Unexpected token, wanted '{', '}', '[', ']', ',', ':', 'true', 'false', "
                                     "'null', '\"STRING\"', 'NUMBER'.");
}

TEST(DecoderStructure, ArrayReaderNamesWhatWasExpected)
{
    EXPECT_EQ(decodeFailure("[1,]"), "Unexpected ']'.");
    EXPECT_EQ(decodeFailure("[1 2]"), "Unexpected value.");
    EXPECT_EQ(decodeFailure("[,1]"), "Unexpected ','.");
    EXPECT_EQ(decodeFailure("[1,,2]"), "Unexpected ','.");
    EXPECT_EQ(decodeFailure("[1:"), "Expected a comma or a ']', not ':'");
    EXPECT_EQ(decodeFailure("[}"), "Expected a value or a ']', not '}'");
    EXPECT_EQ(decodeFailure("[1,}"), "Expected a value, not '}'");
}

TEST(DecoderStructure, ObjectReaderNamesWhatWasExpected)
{
    EXPECT_EQ(decodeFailure(R"({"a" 1})"), "Expected ':'.");
    EXPECT_EQ(decodeFailure("{1:2}"), "Expected a \"STRING\" or a '}', not '1'");
    EXPECT_EQ(decodeFailure(R"({"a":1 "b":2})"), "Unexpected string.");
    EXPECT_EQ(decodeFailure(R"({"a":1,})"), "Unexpected '}'.");
    EXPECT_EQ(decodeFailure(R"({,"a":1})"), "Unexpected ','.");
    EXPECT_EQ(decodeFailure(R"({"a":})"), "Expected a value or a '}', not '}'");
    EXPECT_EQ(decodeFailure(R"({"a":1,2})"), "Expected a \"STRING\", not '2'");
}

TEST(DecoderStructure, TrailingTextNeedsItsOption)
{
    EXPECT_EQ(decodeFailure("[1] x"),
        "A valid JSON object was parsed but there were additional non-white-space characters remaining.");
    EXPECT_EQ(recoded("[1] x", JTParseOptionAllowTrailingText), "[1]");
    EXPECT_EQ(recoded("[1] \n\t "), "[1]");
}

TEST(DecoderStructure, FirstRecordedErrorWins)
{
    // The escape is reported, not the "Invalid string." that follows it.
    foundation::Ref<foundation::Error> error = decodeError("[\n\n\"ab\\q\"]");
    EXPECT_EQ(error->localizedDescription(), "Invalid escape sequence found in \"\" string.");
    EXPECT_EQ(errorInfo(*error, "JTLineNumberKey"), 3u);
    EXPECT_EQ(errorInfo(*error, "JTAtIndexKey"), 6u);  // the backslash
}

std::string nested(std::size_t depth)
{
    return std::string(depth, '[') + std::string(depth, ']');
}

TEST(DecoderStructure, NestingIsLimited)
{
    EXPECT_TRUE(decoded(nested(JTMaximumParseDepth)));
    EXPECT_EQ(decodeFailure(nested(JTMaximumParseDepth + 1)),
        "Unable to parse arrays and objects nested deeper than 512 levels.");
    std::string objects;
    for (std::size_t i = 0; i <= JTMaximumParseDepth; ++i)
        objects += "{\"k\":";
    EXPECT_EQ(decodeFailure(objects), "Unable to parse arrays and objects nested deeper than 512 levels.");
    // Far deeper input fails the same way instead of exhausting the stack.
    EXPECT_EQ(decodeFailure(std::string(1000000, '[')),
        "Unable to parse arrays and objects nested deeper than 512 levels.");
}

TEST(DecoderStructure, FailureDeepInsideReleasesEverythingBuilt)
{
    // Tracked keys cannot come from text, so count through a value every
    // level shares: the cached string's references must all come back.
    foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoder();
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += "[\"shared\", {\"shared\": [\"shared\", 1.5, " + std::to_string(i) + "]}, ";
    text += "[1 2]";
    foundation::Ref<foundation::Error> error;
    EXPECT_FALSE(decoder->objectWithUTF8String(text.data(), text.size(), &error));
    EXPECT_EQ(error->localizedDescription(), "Unexpected value.");
    foundation::Ref<foundation::Object> tree = decoder->objectWithUTF8String("[\"shared\"]", 10);
    foundation::Object* shared = onlyElement(tree);
    EXPECT_EQ(shared->refCount(), 2u);  // the cache and the array
}

TEST(DecoderStructure, LongArraysAndObjectsOutgrowTheFrameStack)
{
    std::string array = "[";
    std::string object = "{";
    for (int i = 0; i < 5000; ++i) {
        array += std::to_string(i) + ",";
        object += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    }
    array.back() = ']';
    object.back() = '}';
    EXPECT_EQ(static_cast<foundation::Array&>(*decoded(array)).count(), 5000u);
    EXPECT_EQ(static_cast<foundation::Dictionary&>(*decoded(object)).count(), 5000u);
    // Nested inside a long array, so the stack grows while entries wait.
    std::string both = "[" + array + "," + object + "," + array + "]";
    EXPECT_EQ(static_cast<foundation::Array&>(*decoded(both)).count(), 3u);
}

// Input that ends inside an open array or object ends where the next value
// or closing bracket was due, at the end of the input.
TEST(DecoderStructure, InputCutInsideContainersReachesTheEnd)
{
    for (std::string text : {"[", "{", "[[1,", "[{\"a\":[1,"}) {
        foundation::Ref<foundation::Error> error = decodeError(text);
        ASSERT_TRUE(error) << text;
        EXPECT_EQ(error->localizedDescription(), "Reached the end of the buffer.") << text;
        EXPECT_EQ(errorInfo(*error, "JTAtIndexKey"), text.size()) << text;
    }
}

TEST(DecoderStructure, EveryPrefixOfADocumentFailsCleanly)
{
    const std::string document = "{\"a\": [1, -2.5e3, true, false, null, \"x\\u00e9\\n\"], \"b\": {\"c\": {}}, "
                                 "\"d\": [[], [0]], \"\u00e9\": \"\U0001F600\"}";
    foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoder();
    for (std::size_t length = 0; length < document.size(); ++length) {
        // A copy of exactly `length` bytes, so reading past it is caught.
        std::vector<char> prefix(document.begin(), document.begin() + static_cast<std::ptrdiff_t>(length));
        foundation::Ref<foundation::Error> error;
        EXPECT_FALSE(decoder->objectWithUTF8String(prefix.empty() ? "" : prefix.data(), length, &error)) << length;
        EXPECT_TRUE(error) << length;
    }
    EXPECT_TRUE(decoder->objectWithUTF8String(document.data(), document.size()));
}

TEST(DecoderStructure, MutableFormsMakeMutableCollections)
{
    foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoder();
    foundation::Ref<foundation::Object> tree = decoder->mutableObjectWithUTF8String(R"({"a":[1]})", 9);
    auto& dictionary = static_cast<JTDictionary&>(*tree);
    ASSERT_TRUE(dictionary.isMutable());
    dictionary.setObject(foundation::str("v").get(), foundation::str("b").get());
    auto& array = static_cast<JTArray&>(*dictionary.objectForKey("a"));
    ASSERT_TRUE(array.isMutable());
    array.insertObject(foundation::Null::null(), 1);
    EXPECT_EQ(jsonText(tree.get(), JTSerializeOptionPretty), "{\n  \"a\": [\n    1,\n    null\n  ],\n  \"b\": \"v\"\n}");

    foundation::Ref<foundation::Object> frozen = decoder->objectWithUTF8String("[1]", 3);
    EXPECT_FALSE(static_cast<JTArray&>(*frozen).isMutable());
    EXPECT_THROW(static_cast<JTArray&>(*frozen).removeObjectAtIndex(0), foundation::Exception);
}

TEST(DecoderStructure, ConveniencesDecodeStringsAndData)
{
    foundation::Ref<foundation::Error> error;
    EXPECT_EQ(jsonText(objectFromJSONString(*foundation::str("[1]")).get()), "[1]");
    EXPECT_TRUE(static_cast<JTArray&>(*mutableObjectFromJSONString(*foundation::str("[1]"))).isMutable());
    EXPECT_FALSE(objectFromJSONStringWithParseOptions(*foundation::str("[1] x"), JTParseOptionNone, &error));
    EXPECT_EQ(error->localizedDescription(),
        "A valid JSON object was parsed but there were additional non-white-space characters remaining.");
    foundation::Ref<foundation::Data> data = foundation::Data::create(std::string_view("[1] /* c */"));
    EXPECT_EQ(jsonText(objectFromJSONDataWithParseOptions(*data, JTParseOptionAllowComments).get()), "[1]");
    EXPECT_FALSE(objectFromJSONData(*foundation::Data::create(std::string_view(""))));
    EXPECT_TRUE(static_cast<JTArray&>(*mutableObjectFromJSONDataWithParseOptions(
                                          *foundation::Data::create(std::string_view("[2]")), JTParseOptionNone))
                    .isMutable());
}

TEST(DecoderStructure, ProgrammerErrorsRaiseWithTheirReasons)
{
    using foundation::ExceptionName::InvalidArgument;
    EXPECT_TRUE(raises([] { (void)JSONDecoder::decoderWithParseOptions(16); }, InvalidArgument, "Invalid parse options."));
    foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoder();
    EXPECT_TRUE(raises([&] { (void)decoder->objectWithUTF8String(nullptr, 0); }, InvalidArgument, "The string argument is NULL."));
    EXPECT_TRUE(raises([&] { (void)decoder->mutableObjectWithUTF8String(nullptr, 3); }, InvalidArgument,
        "The string argument is NULL."));
    EXPECT_TRUE(raises([&] { (void)decoder->objectWithData(nullptr); }, InvalidArgument, "The jsonData argument is NULL."));
    EXPECT_TRUE(raises([&] { (void)decoder->mutableObjectWithData(nullptr); }, InvalidArgument, "The jsonData argument is NULL."));
}

} // namespace
} // namespace testsupport
