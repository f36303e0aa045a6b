#include "EncodingHelpers.h"

#include "foundation/objects/Array.h"
#include "foundation/objects/Data.h"
#include "foundation/objects/Date.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Number.h"
#include "json/JotterSerializing.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace testsupport {

using namespace jotter;

namespace {

using foundation::Array;
using foundation::Date;
using foundation::MutableDictionary;
using foundation::Number;
using foundation::Object;
using foundation::OperationTable;
using foundation::Ref;
using foundation::str;

// Answers "jsonValueFor:" with the seconds of a date, and counts the calls.
class DateFormatterDelegate final : public Object {
public:
    static Ref<DateFormatterDelegate> create() { return Ref<DateFormatterDelegate>::adopt(new DateFormatterDelegate); }

    const OperationTable& operations() const override
    {
        static const OperationTable table(&Object::operations(), {{"jsonValueFor:", &jsonValueFor}});
        return table;
    }

    int calls = 0;

private:
    static Ref<Object> jsonValueFor(Object& receiver, Object* value)
    {
        ++static_cast<DateFormatterDelegate&>(receiver).calls;
        return Number::withDouble(static_cast<Date*>(value)->timeIntervalSince1970());
    }
};

Ref<Date> date(double seconds)
{
    return Date::withTimeIntervalSince1970(seconds);
}

TEST(Formatters, BlockOrDelegateReplacesAnUnsupportedValue)
{
    Ref<MutableDictionary> dictionary = MutableDictionary::create();
    dictionary->setObject(date(0).get(), "created");
    FormatterBlock describe = [](Object* value) -> Ref<Object> { return str(value->description()); };
    Ref<foundation::String> text = JSONStringWithOptions(*dictionary, JTSerializeOptionNone, describe, nullptr);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->utf8(), R"({"created":"1970-01-01 00:00:00 +0000"})");
    EXPECT_EQ(jsonText(date(0).get(), JTSerializeOptionNone, JTEncodeOptionResultData, &describe),
        R"("1970-01-01 00:00:00 +0000")") << "an unsupported root goes to the formatter too";

    Ref<DateFormatterDelegate> delegate = DateFormatterDelegate::create();
    Ref<Array> array = Array::create({date(1.5).get(), str("x").get()});
    Ref<foundation::Data> data = JSONDataWithOptions(*array, JTSerializeOptionNone, delegate.get(), "jsonValueFor:", nullptr);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->view(), R"([1.5,"x"])");
    EXPECT_EQ(delegate->calls, 1);
}

TEST(Formatters, RefusalsNameTheUnsupportedClasses)
{
    const std::string dateMessage = "Unable to serialize object class NSDate.";
    Ref<Array> array = Array::create({str("ok").get(), date(0).get()});
    EXPECT_EQ(failureMessage(array.get()), dateMessage);
    FormatterBlock giveUp = [](Object*) -> Ref<Object> { return nullptr; };
    EXPECT_EQ(failureMessage(array.get(), JTSerializeOptionNone, JTEncodeOptionResultData, &giveUp), dateMessage);

    FormatterBlock toData = [](Object*) -> Ref<Object> { return foundation::Data::create("x"); };
    EXPECT_EQ(failureMessage(array.get(), JTSerializeOptionNone, JTEncodeOptionResultData, &toData),
        "Unable to serialize object class NSData that was returned by the unsupported class formatter.  "
        "Original object class was NSDate.");
}

TEST(Formatters, OneObjectTwiceIsFormattedOnceWhenTheReplacementIsAScalar)
{
    int calls = 0;
    FormatterBlock counted = [&](Object*) -> Ref<Object> {
        ++calls;
        return str("when");
    };
    Ref<Date> shared = date(0);
    Ref<Array> array = Array::create({shared.get(), Number::withSigned(1).get(), shared.get()});
    EXPECT_EQ(jsonText(array.get(), JTSerializeOptionNone, JTEncodeOptionResultData, &counted), R"(["when",1,"when"])");
    EXPECT_EQ(calls, 1);

    // A container replacement is not cached: each occurrence asks again.
    calls = 0;
    FormatterBlock countedArray = [&](Object*) -> Ref<Object> {
        ++calls;
        return Array::create();
    };
    EXPECT_EQ(jsonText(array.get(), JTSerializeOptionNone, JTEncodeOptionResultData, &countedArray), "[[],1,[]]");
    EXPECT_EQ(calls, 2);
}

// The output cache is keyed by address. Replacements made afresh for each
// value must not be freed during the run, or a later object at a recycled
// address would be written as the text of an earlier one.
TEST(Formatters, FreshReplacementsAreNeverConfusedWithEachOther)
{
    std::vector<Ref<Object>> dates;
    std::string expected = "[";
    for (int index = 0; index < 3000; ++index) {
        dates.push_back(date(index));
        expected += (index ? "," : "") + std::string("[\"d") + std::to_string(index) + "\"," + std::to_string(index) + "]";
    }
    FormatterBlock fresh = [](Object* value) -> Ref<Object> {
        auto seconds = static_cast<long>(static_cast<Date*>(value)->timeIntervalSince1970());
        return Array::create({str("d" + std::to_string(seconds)).get(), Number::withSigned(seconds).get()});
    };
    EXPECT_EQ(jsonText(Array::create(dates).get(), JTSerializeOptionNone, JTEncodeOptionResultData, &fresh), expected + "]");
}

// A formatter that throws leaves through the run; the run's state is freed
// (the sanitizer build checks for leaks) and nothing is returned.
TEST(Formatters, ThrowingFormatterPropagates)
{
    FormatterBlock throwing = [](Object*) -> Ref<Object> { throw std::runtime_error("formatter failed"); };
    std::string longText(10000, 'a');  // moves the text to the heap first
    Ref<Array> array = Array::create({str(longText).get(), date(0).get()});
    EXPECT_THROW((void)JSONDataWithOptions(*array, JTSerializeOptionNone, throwing, nullptr), std::runtime_error);
}

} // namespace
} // namespace testsupport
