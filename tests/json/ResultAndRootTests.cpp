#include "EncodingHelpers.h"

#include "foundation/objects/Array.h"
#include "foundation/objects/DebugCheck.h"
#include "foundation/objects/Date.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Exception.h"
#include "support/Raises.h"
#include "foundation/objects/Null.h"
#include "foundation/objects/Number.h"
#include "json/JotterSerializing.h"

#include <gtest/gtest.h>

#include <cmath>

namespace testsupport {

using namespace jotter;

namespace {

using foundation::Array;
using foundation::Error;
using foundation::Number;
using foundation::Object;
using foundation::Ref;
using foundation::String;
using foundation::str;

TEST(ResultKinds, UnknownKindsAreErrors)
{
    for (JTEncodeOption kind : {0u, 3u, 7u})
        EXPECT_EQ(failureMessage(Array::create().get(), JTSerializeOptionNone, kind), "Unknown encode as type.") << kind;
}

// Text that is not UTF-8 can only come from a string built unchecked; a
// String result refuses it rather than hold it.
TEST(ResultKinds, AStringResultRefusesInvalidText)
{
    // A string that is not UTF-8 breaks String::createUnchecked's contract,
    // and checked builds stop it there (tests/foundation/DebugCheckTests.cpp);
    // only an unchecked build can hand one to the encoder.
    if (foundation::debugChecksEnabled)
        GTEST_SKIP() << "debug checks are on: the invalid string cannot be made (String::createUnchecked's check)";
    EXPECT_EQ(failureMessage(String::createUnchecked("\xff").get(), JTSerializeOptionNone, JTEncodeOptionResultString),
        "Unable to create NSString object");
}

TEST(RootConstraints, RootMustBeOfTheKindAskedFor)
{
    struct Case {
        Ref<Object> root;
        JTEncodeOption option;
        std::string_view message;  // empty when the root is accepted
        std::string_view text;
    };
    const Case cases[] = {
        {str("text"), JTEncodeOptionResultData | JTEncodeOptionCollectionObj,
            "Unable to serialize object class NSString, expected a NSArray or NSDictionary.", {}},
        {Ref(foundation::Null::null()), JTEncodeOptionResultString | JTEncodeOptionCollectionObj,
            "Unable to serialize object class NSNull, expected a NSArray or NSDictionary.", {}},
        {Array::create(), JTEncodeOptionResultData | JTEncodeOptionStringObj,
            "Unable to serialize object class NSArray, expected a NSString.", {}},
        {Number::withSigned(1), JTEncodeOptionResultData | JTEncodeOptionStringObj,
            "Unable to serialize object class NSNumber, expected a NSString.", {}},
        {Array::create(), JTEncodeOptionResultData | JTEncodeOptionCollectionObj, {}, "[]"},
        {str("s"), JTEncodeOptionResultString | JTEncodeOptionStringObj, {}, "\"s\""},
        {Ref(foundation::Null::null()), JTEncodeOptionResultString, {}, "null"},
    };
    for (const Case& testCase : cases) {
        const std::string name = testCase.root->className() + (" with option " + std::to_string(testCase.option));
        if (testCase.message.empty())
            EXPECT_EQ(jsonText(testCase.root.get(), JTSerializeOptionNone, testCase.option), testCase.text) << name;
        else
            EXPECT_EQ(failureMessage(testCase.root.get(), JTSerializeOptionNone, testCase.option), testCase.message) << name;
    }
}

TEST(TrimmedQuotes, StringWithoutQuotesIsTheEscapedContentAlone)
{
    Ref<String> string = str("say \"hi\"\n\u00e9");
    EXPECT_EQ(JSONStringWithOptions(*string, JTSerializeOptionNone, false, nullptr)->utf8(), "say \\\"hi\\\"\\n\u00e9");
    EXPECT_EQ(JSONDataWithOptions(*string, JTSerializeOptionNonASCIIEscape, false, nullptr)->view(),
        "say \\\"hi\\\"\\n\\u00e9");
    EXPECT_EQ(JSONStringWithOptions(*str(""), JTSerializeOptionNone, false, nullptr)->utf8(), "");
    EXPECT_EQ(JSONData(*str("x"))->view(), "\"x\"") << "quotes are kept unless asked otherwise";
}

TEST(Errors, OutParameterIsClearedOnSuccessAndFilledOnFailure)
{
    Ref<Error> error = Error::withDescription("Stale", 1, "left over");
    EXPECT_TRUE(JSONStringWithOptions(*Array::create({str("a").get()}), JTSerializeOptionNone, &error));
    EXPECT_FALSE(error);

    Ref<Array> bad = Array::create({Number::withDouble(NAN).get()});
    EXPECT_FALSE(JSONDataWithOptions(*bad, JTSerializeOptionNone, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain().utf8(), "JTErrorDomain");
    EXPECT_EQ(error->code(), -1);
    EXPECT_EQ(error->localizedDescription(),
        "Floating point values must be finite.  JSON does not support NaN or Infinity.");
    EXPECT_EQ(error->userInfo()->objectForKey(foundation::LocalizedDescriptionKey)->description(),
        error->localizedDescription());
    EXPECT_FALSE(JSONString(*bad)) << "without an out-parameter the failure is still a null result";
}

// The run stops at its first failure, so the message is always about the
// first bad value met in document order, however much was written before.
TEST(Errors, FirstErrorWinsAndNothingPartialIsReturned)
{
    Ref<Array> dateFirst = Array::create({foundation::Date::now().get(), Number::withDouble(INFINITY).get()});
    Ref<Array> infinityFirst = Array::create({Number::withDouble(INFINITY).get(), foundation::Date::now().get()});
    EXPECT_EQ(failureMessage(dateFirst.get()), "Unable to serialize object class NSDate.");
    EXPECT_EQ(failureMessage(infinityFirst.get()),
        "Floating point values must be finite.  JSON does not support NaN or Infinity.");

    std::vector<Ref<Object>> elements(20000, str("padding padding padding"));
    elements.push_back(foundation::Date::now());
    EXPECT_EQ(failureMessage(Array::create(elements).get(), JTSerializeOptionPretty, JTEncodeOptionResultString),
        "Unable to serialize object class NSDate.");
}

// Misuse raises before anything is encoded.
TEST(Preconditions, MisuseRaisesWithTheViolatedCondition)
{
    using foundation::ExceptionName::InternalInconsistency;
    Ref<Array> array = Array::create();
    FormatterBlock block = [](Object*) -> Ref<Object> { return nullptr; };
    EXPECT_TRUE(raises([&] { (void)JTSerializer::serializeObject(nullptr, 0, 1, nullptr, nullptr, {}, nullptr); },
        InternalInconsistency, "Invalid parameter not satisfying: object != nullptr"));
    EXPECT_TRUE(raises([&] { (void)JTSerializer::serializeObject(array.get(), 0, 1, &block, array.get(), "x", nullptr); },
        InternalInconsistency, "Invalid parameter not satisfying: block == nullptr || delegate == nullptr"));
    for (JTEncodeOption option : {JTEncodeOptionCollectionObj | JTEncodeOptionStringObj,
             JTEncodeOptionCollectionObj | JTEncodeOptionStringObjTrimQuotes}) {
        EXPECT_TRUE(raises([&] { (void)JTSerializer::serializeObject(array.get(), 0, 1 | option, nullptr, nullptr, {}, nullptr); },
            InternalInconsistency,
            "Invalid parameter not satisfying: (encodeOption & JTEncodeOptionCollectionObj) == 0 || "
            "(encodeOption & (JTEncodeOptionStringObj | JTEncodeOptionStringObjTrimQuotes)) == 0"));
    }
    using foundation::ExceptionName::InvalidArgument;
    EXPECT_TRUE(raises([&] { (void)JSONStringWithOptions(*array, JTSerializeOptionNone, array.get(), {}, nullptr); },
        InvalidArgument, "The delegate argument is not NULL, but the selector argument is NULL."));
    EXPECT_TRUE(raises([&] { (void)JSONDataWithOptions(*array, JTSerializeOptionNone, array.get(), "formatValue:", nullptr); },
        InvalidArgument, "The serializeUnsupportedClassesUsingDelegate: delegate does not respond to the selector argument."));
}

// A serializer serves one run at a time: a formatter that starts a second
// run on it gets the precondition failure, and the serializer is idle and
// usable again afterwards.
TEST(Preconditions, OneRunAtATimePerSerializer)
{
    Ref<JTSerializer> serializer = JTSerializer::create();
    Ref<Array> root = Array::create({foundation::Date::now().get()});
    FormatterBlock reenter = [&](Object* value) -> Ref<Object> {
        return serializer->serialize(value, 0, JTEncodeOptionResultString, nullptr, nullptr, {}, nullptr);
    };
    EXPECT_TRUE(raises([&] { (void)serializer->serialize(root.get(), 0, 1, &reenter, nullptr, {}, nullptr); },
        foundation::ExceptionName::InternalInconsistency, "Invalid parameter not satisfying: encodeState_ == nullptr"));

    Ref<Object> result = serializer->serialize(str("again").get(), 0, JTEncodeOptionResultString, nullptr, nullptr, {}, nullptr);
    ASSERT_TRUE(result);
    EXPECT_EQ(static_cast<String&>(*result).utf8(), "\"again\"");
}

} // namespace
} // namespace testsupport
