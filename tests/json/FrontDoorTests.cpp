#include "EncodingHelpers.h"

#include "foundation/objects/Array.h"
#include "foundation/objects/Date.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Null.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"
#include "json/JTArray.h"
#include "json/JTDictionary.h"
#include "json/Jotter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>

namespace jotter {

// How a failure reads in a test's message.
void PrintTo(const Failure& failure, std::ostream* out)
{
    *out << "line " << failure.line << ", byte " << failure.offset << ": " << failure.message;
}

namespace testing {
namespace {

using foundation::Array;
using foundation::Dictionary;
using foundation::MutableArray;
using foundation::Number;
using foundation::Object;
using foundation::Ref;
using foundation::str;

const std::string_view notFinite = "Floating point values must be finite.  JSON does not support NaN or Infinity.";

// The compact text of a decoded tree, written by the serializer rather than
// by the front door under test.
std::string textOf(const Result<Ref<Object>>& tree)
{
    EXPECT_TRUE(tree) << ::testing::PrintToString(tree ? Failure{} : tree.failure());
    return tree ? jsonText(tree->get()) : "<failed>";
}

Failure decodeFailure(std::string_view text, const DecodeOptions& options = {})
{
    Result<Ref<Object>> tree = decode(text, options);
    EXPECT_FALSE(tree) << text;
    return tree ? Failure{"<decoded>"} : tree.failure();
}

Failure encodeFailure(const Object& value, const EncodeOptions& options = {})
{
    Result<std::string> text = encode(value, options);
    EXPECT_FALSE(text) << *text;
    return text ? Failure{"<encoded>"} : text.failure();
}

TEST(FrontDoorDecode, GivesTheTreeOfTheDocument)
{
    EXPECT_EQ(textOf(decode(R"( {"a": [1, 2.5, "\u00e9", true, null]} )")), "{\"a\":[1,2.5,\"\xc3\xa9\",true,null]}");
}

TEST(FrontDoorDecode, EachOptionRelaxesItsOwnRule)
{
    struct Case {
        std::string_view text;
        DecodeOptions options;
        std::string_view compact;
    };
    const Case cases[] = {
        {"[1 /* one */, 2 // two\n]", {.comments = true}, "[1,2]"},
        {"[1,\xe2\x80\xa8 2]", {.unicodeLineBreaks = true}, "[1,2]"},
        {"[\"a\xff\"]", {.lenientUnicode = true}, "[\"a\xef\xbf\xbd\"]"},
        {"[1] trailing", {.trailingText = true}, "[1]"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(decode(c.text)) << c.text << ": strict JSON refuses it";
        EXPECT_EQ(textOf(decode(c.text, c.options)), c.compact) << c.text;
    }
}

TEST(FrontDoorDecode, MakesCollectionsMutableOnlyWhenAsked)
{
    Result<Ref<Object>> fixed = decode(R"([{"a":1}])");
    Result<Ref<Object>> changeable = decode(R"([{"a":1}])", {.mutableCollections = true});
    ASSERT_TRUE(fixed);
    ASSERT_TRUE(changeable);
    auto& fixedArray = static_cast<JTArray&>(**fixed);
    auto& changeableArray = static_cast<JTArray&>(**changeable);
    EXPECT_FALSE(fixedArray.isMutable());
    EXPECT_FALSE(static_cast<JTDictionary*>(fixedArray.objectAtIndex(0))->isMutable());
    EXPECT_TRUE(changeableArray.isMutable());
    EXPECT_TRUE(static_cast<JTDictionary*>(changeableArray.objectAtIndex(0))->isMutable());
}

TEST(FrontDoorDecode, FailureCarriesTheMessageOffsetAndLine)
{
    EXPECT_EQ(decodeFailure("[1,\n2,\n,3]"), (Failure{"Unexpected ','.", 8, 3}));
    EXPECT_EQ(decodeFailure("\n\n  {\"a\" 1}"), (Failure{"Expected ':'.", 10, 3}));  // after the 1
    EXPECT_EQ(decodeFailure("[1] x"), (Failure{
        "A valid JSON object was parsed but there were additional non-white-space characters remaining.", 4, 1}));
}

TEST(FrontDoorDecode, ReadsOnlyTheBytesOfTheView)
{
    // A byte read past either view would change the outcome: text after the
    // document for the first, the array closed for the second.
    const std::string text = "[[]]]";
    EXPECT_EQ(textOf(decode(std::string_view(text).substr(0, 4))), "[[]]");
    // A default view has no pointer at all: still an empty document, not a
    // missing argument.
    EXPECT_EQ(decodeFailure(std::string_view()), (Failure{"Reached the end of the buffer.", 0, 1}));
    EXPECT_EQ(decodeFailure(std::string_view(text).substr(0, 3)), (Failure{"Reached the end of the buffer.", 3, 1}));
}

Ref<Dictionary> sample()
{
    return Dictionary::create({
        {str("path").get(), str("a/\xc3\xa9").get()},
        {str("sizes").get(), Array::create({Number::withSigned(1).get(), foundation::Null::null()}).get()},
    });
}

TEST(FrontDoorEncode, EachOptionChangesItsOwnRule)
{
    // One key at the top, so that the compact form's order is fixed too.
    Ref<Dictionary> document = Dictionary::create({{str("k").get(), str("a/\xc3\xa9").get()}});
    EXPECT_EQ(*encode(*document), "{\"k\":\"a/\xc3\xa9\"}");
    EXPECT_EQ(*encode(*document, {.escapeUnicode = true}), R"({"k":"a/\u00e9"})");
    EXPECT_EQ(*encode(*document, {.escapeSlash = true}), "{\"k\":\"a\\/\xc3\xa9\"}");
    EXPECT_EQ(*encode(*sample(), {.pretty = true}),
        "{\n  \"path\": \"a/\xc3\xa9\",\n  \"sizes\": [\n    1,\n    null\n  ]\n}");
}

TEST(FrontDoorEncode, WritesALoneStringOrNumber)
{
    EXPECT_EQ(*encode(*str("say \"hi\"")), R"("say \"hi\"")");
    EXPECT_EQ(*encode(*Number::withDouble(0.5)), "0.5");
}

TEST(FrontDoorEncode, FormatterReplacesWhatJSONCannotHold)
{
    Ref<Array> withDate = Array::create({foundation::Date::withTimeIntervalSince1970(0).get()});
    EXPECT_EQ(encodeFailure(*withDate), (Failure{"Unable to serialize object class NSDate.", 1, 1}));
    FormatterBlock seconds = [](Object* value) -> Ref<Object> {
        return Number::withDouble(static_cast<foundation::Date*>(value)->timeIntervalSince1970());
    };
    EXPECT_EQ(*encode(*withDate, {.formatter = seconds}), "[0]");
}

TEST(FrontDoorEncode, FailureCarriesWhereTheTextStopped)
{
    Ref<Array> document = Array::create({Number::withSigned(1).get(), Number::withDouble(NAN).get()});
    EXPECT_EQ(encodeFailure(*document), (Failure{std::string(notFinite), 3, 1}));  // after "[1,"
    EXPECT_EQ(encodeFailure(*document, {.pretty = true}), (Failure{std::string(notFinite), 9, 3}));  // "[\n  1,\n  "
}

// The text outgrows the buffer a run starts in and moves to the heap, which
// a failed run must free as well as a successful one.
TEST(FrontDoorEncode, KeepsEveryByteBeyondTheFirstBuffer)
{
    Ref<MutableArray> words = MutableArray::create();
    for (int i = 0; i < 1000; ++i)
        words->addObject(str("abcdefghij").get());
    Result<std::string> text = encode(*words);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->size(), 13001u);  // the brackets, 1000 twelve-byte strings, 999 commas
    EXPECT_EQ(text->substr(text->size() - 14), R"(,"abcdefghij"])");

    words->addObject(Number::withDouble(INFINITY).get());
    EXPECT_EQ(encodeFailure(*words), (Failure{std::string(notFinite), 13001, 1}));  // "[", 1000 strings and commas
}

} // namespace
} // namespace testing
} // namespace jotter
