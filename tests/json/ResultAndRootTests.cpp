#include "EncodingHelpers.h"

#include "foundation/Array.h"
#include "foundation/Date.h"
#include "foundation/Dictionary.h"
#include "foundation/Exception.h"
#include "foundation/Null.h"
#include "foundation/Number.h"
#include "json/JotterSerializing.h"

#include <gtest/gtest.h>

namespace jotter::testing {
namespace {

using foundation::Array;
using foundation::Data;
using foundation::Error;
using foundation::Number;
using foundation::Object;
using foundation::Ref;
using foundation::String;
using foundation::str;

TEST(ResultKinds, DataAndStringHoldTheSameText)
{
    Ref<Array> array = Array::create({str("a\u00e9").get(), Number::withSigned(-1).get()});
    Ref<Data> data = JSONData(*array);
    Ref<String> string = JSONString(*array);
    ASSERT_TRUE(data);
    ASSERT_TRUE(string);
    EXPECT_TRUE(data->isData());
    EXPECT_TRUE(string->isString());
    EXPECT_EQ(data->view(), "[\"a\u00e9\",-1]");
    EXPECT_EQ(string->utf8(), data->view());
}

TEST(ResultKinds, UnknownResultKindIsAnError)
{
    for (JTEncodeOption kind : {0u, 3u, 7u})
        EXPECT_EQ(failureMessage(Array::create().get(), JTSerializeOptionNone, kind), "Unknown encode as type.");
}

// Text that is not UTF-8 can only come from a string built unchecked; a
// String result refuses it rather than hold it.
TEST(ResultKinds, StringResultRefusesInvalidUTF8)
{
    Ref<String> broken = String::createUnchecked("\xff");
    EXPECT_EQ(failureMessage(broken.get(), JTSerializeOptionNone, JTEncodeOptionResultString),
        "Unable to create NSString object");
}

TEST(RootConstraints, CollectionRootRequired)
{
    EXPECT_EQ(failureMessage(str("text").get(), JTSerializeOptionNone,
                  JTEncodeOptionResultData | JTEncodeOptionCollectionObj),
        "Unable to serialize object class NSString, expected a NSArray or NSDictionary.");
    EXPECT_EQ(failureMessage(foundation::Null::null(), JTSerializeOptionNone,
                  JTEncodeOptionResultString | JTEncodeOptionCollectionObj),
        "Unable to serialize object class NSNull, expected a NSArray or NSDictionary.");
}

TEST(RootConstraints, StringRootRequired)
{
    EXPECT_EQ(failureMessage(Array::create().get(), JTSerializeOptionNone,
                  JTEncodeOptionResultData | JTEncodeOptionStringObj),
        "Unable to serialize object class NSArray, expected a NSString.");
    EXPECT_EQ(failureMessage(Number::withSigned(1).get(), JTSerializeOptionNone,
                  JTEncodeOptionResultData | JTEncodeOptionStringObj),
        "Unable to serialize object class NSNumber, expected a NSString.");
}

TEST(RootConstraints, AnyValueMayBeTheRootWithoutConstraint)
{
    EXPECT_EQ(jsonText(Number::withSigned(7).get()), "7");
    EXPECT_EQ(jsonText(foundation::Null::null()), "null");
    EXPECT_EQ(jsonText(str("s").get(), JTSerializeOptionNone, JTEncodeOptionResultString), "\"s\"");
}

TEST(TrimmedQuotes, StringWithoutQuotesIsTheEscapedContentAlone)
{
    Ref<String> string = str("say \"hi\"\n\u00e9");
    EXPECT_EQ(JSONStringWithOptions(*string, JTSerializeOptionNone, false, nullptr)->utf8(), "say \\\"hi\\\"\\n\u00e9");
    EXPECT_EQ(JSONDataWithOptions(*string, JTSerializeOptionNonASCIIEscape, false, nullptr)->view(),
        "say \\\"hi\\\"\\n\\u00e9");
    EXPECT_EQ(JSONString(*string)->utf8(), "\"say \\\"hi\\\"\\n\u00e9\"");
    EXPECT_EQ(JSONData(*string)->view(), "\"say \\\"hi\\\"\\n\u00e9\"");
    EXPECT_EQ(JSONStringWithOptions(*str(""), JTSerializeOptionNone, false, nullptr)->utf8(), "");
}

TEST(ErrorOutParameter, ClearedOnSuccessAndFilledOnFailure)
{
    Ref<Error> error = Error::withDescription("Stale", 1, "left over");
    Ref<Array> good = Array::create({str("a").get()});
    EXPECT_TRUE(JSONStringWithOptions(*good, JTSerializeOptionNone, &error));
    EXPECT_FALSE(error);

    Ref<Array> bad = Array::create({foundation::Date::now().get()});
    EXPECT_FALSE(JSONStringWithOptions(*bad, JTSerializeOptionNone, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), "Unable to serialize object class NSDate.");
    EXPECT_FALSE(JSONString(*bad)) << "without an out-parameter the failure is still a null result";
}

// Misuse raises before anything is encoded.
void expectRaise(const std::function<void()>& call, const char* name, const std::string& reason)
{
    try {
        call();
        ADD_FAILURE() << "nothing raised, expected " << reason;
    } catch (const foundation::Exception& exception) {
        EXPECT_EQ(exception.name(), name);
        EXPECT_EQ(exception.reason(), reason);
    }
}

TEST(Preconditions, MisuseRaisesWithTheViolatedCondition)
{
    using foundation::ExceptionName::InternalInconsistency;
    Ref<Array> array = Array::create();
    FormatterBlock block = [](Object*) -> Ref<Object> { return nullptr; };
    expectRaise([&] { (void)JTSerializer::serializeObject(nullptr, 0, 1, nullptr, nullptr, {}, nullptr); },
        InternalInconsistency, "Invalid parameter not satisfying: object != nullptr");
    expectRaise([&] { (void)JTSerializer::serializeObject(array.get(), 0, 1, &block, array.get(), "x", nullptr); },
        InternalInconsistency, "Invalid parameter not satisfying: block == nullptr || delegate == nullptr");
    for (JTEncodeOption option : {JTEncodeOptionCollectionObj | JTEncodeOptionStringObj,
             JTEncodeOptionCollectionObj | JTEncodeOptionStringObjTrimQuotes}) {
        expectRaise([&] { (void)JTSerializer::serializeObject(array.get(), 0, 1 | option, nullptr, nullptr, {}, nullptr); },
            InternalInconsistency,
            "Invalid parameter not satisfying: (encodeOption & JTEncodeOptionCollectionObj) == 0 || "
            "(encodeOption & (JTEncodeOptionStringObj | JTEncodeOptionStringObjTrimQuotes)) == 0");
    }
}

TEST(Preconditions, DelegateNeedsASelectorItAnswers)
{
    using foundation::ExceptionName::InvalidArgument;
    Ref<Array> array = Array::create();
    expectRaise([&] { (void)JSONStringWithOptions(*array, JTSerializeOptionNone, array.get(), {}, nullptr); },
        InvalidArgument, "The delegate argument is not NULL, but the selector argument is NULL.");
    expectRaise([&] { (void)JSONDataWithOptions(*array, JTSerializeOptionNone, array.get(), "formatValue:", nullptr); },
        InvalidArgument, "The serializeUnsupportedClassesUsingDelegate: delegate does not respond to the selector argument.");
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
    expectRaise([&] { (void)serializer->serialize(root.get(), 0, 1, &reenter, nullptr, {}, nullptr); },
        foundation::ExceptionName::InternalInconsistency, "Invalid parameter not satisfying: encodeState_ == nullptr");

    Ref<Object> result = serializer->serialize(str("again").get(), 0, JTEncodeOptionResultString, nullptr, nullptr, {}, nullptr);
    ASSERT_TRUE(result);
    EXPECT_EQ(static_cast<String&>(*result).utf8(), "\"again\"");
}

} // namespace
} // namespace jotter::testing
