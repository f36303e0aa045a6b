#include "EncodingHelpers.h"

#include "foundation/Array.h"
#include "foundation/Date.h"
#include "foundation/Dictionary.h"
#include "foundation/Number.h"
#include "json/JotterSerializing.h"

#include <gtest/gtest.h>

#include <cmath>

namespace jotter::testing {
namespace {

using foundation::Array;
using foundation::Dictionary;
using foundation::Error;
using foundation::MutableDictionary;
using foundation::Number;
using foundation::Ref;
using foundation::str;

TEST(EncodeErrors, ErrorCarriesDomainCodeAndMessage)
{
    Ref<Array> array = Array::create({Number::withDouble(NAN).get()});
    Ref<Error> error;
    EXPECT_FALSE(JSONDataWithOptions(*array, JTSerializeOptionNone, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain().utf8(), "JTErrorDomain");
    EXPECT_EQ(error->code(), -1);
    EXPECT_EQ(error->localizedDescription(),
        "Floating point values must be finite.  JSON does not support NaN or Infinity.");
    EXPECT_EQ(error->userInfo()->objectForKey(foundation::LocalizedDescriptionKey)->description(),
        error->localizedDescription());
}

TEST(EncodeErrors, NonStringKeyIsRefusedInBothForms)
{
    Ref<MutableDictionary> dictionary = MutableDictionary::create();
    dictionary->setObject(str("one").get(), "a");
    dictionary->setObject(str("two").get(), Number::withSigned(2).get());
    EXPECT_EQ(failureMessage(dictionary.get()), "Key must be a string object.");
    EXPECT_EQ(failureMessage(dictionary.get(), JTSerializeOptionPretty), "Key must be a string object.");

    Ref<Array> nested = Array::create({Dictionary::create({{Number::withSigned(1).get(), str("v").get()}}).get()});
    EXPECT_EQ(failureMessage(nested.get()), "Key must be a string object.");
}

// The run stops at its first failure, so the message is always about the
// first bad value met in document order.
TEST(EncodeErrors, FirstErrorWins)
{
    Ref<Array> dateFirst = Array::create({foundation::Date::now().get(), Number::withDouble(INFINITY).get()});
    Ref<Array> infinityFirst = Array::create({Number::withDouble(INFINITY).get(), foundation::Date::now().get()});
    EXPECT_EQ(failureMessage(dateFirst.get()), "Unable to serialize object class NSDate.");
    EXPECT_EQ(failureMessage(infinityFirst.get()),
        "Floating point values must be finite.  JSON does not support NaN or Infinity.");
}

TEST(EncodeErrors, FailureAfterMuchOutputReturnsNothing)
{
    std::vector<Ref<foundation::Object>> elements(20000, str("padding padding padding"));
    elements.push_back(foundation::Date::now());
    Ref<Error> error;
    EXPECT_FALSE(JSONStringWithOptions(*Array::create(elements), JTSerializeOptionPretty, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), "Unable to serialize object class NSDate.");
}

} // namespace
} // namespace jotter::testing
