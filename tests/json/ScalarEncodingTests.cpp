#include "EncodingHelpers.h"

#include "foundation/objects/Array.h"
#include "foundation/objects/Number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace testsupport {

using namespace jotter;

namespace {

using foundation::Number;
using foundation::Ref;
using foundation::String;

std::string encodeString(std::string_view utf8, JTSerializeOptionFlags flags = JTSerializeOptionNone)
{
    Ref<String> string = String::create(utf8);
    EXPECT_TRUE(string);
    return jsonText(string.get(), flags);
}

TEST(StringEscapes, ExactTexts)
{
    constexpr JTSerializeOptionFlags none = JTSerializeOptionNone;
    constexpr JTSerializeOptionFlags slash = JTSerializeOptionSlashEscape;
    constexpr JTSerializeOptionFlags ascii = JTSerializeOptionNonASCIIEscape;
    struct Case {
        const char* name;
        std::string_view input;
        JTSerializeOptionFlags flags;
        std::string_view expected;
    };
    const Case cases[] = {
        {"quote, backslash, tab, U+0001", "\"\\\t\x01", none, R"("\"\\\t\u0001")"},
        {"vertical tab has no short form", "\x0b", none, R"("\u000b")"},
        {"delete is written raw", "a\x7f" "b", none, "\"a\x7f" "b\""},
        {"slash raw by default", "a/b", none, R"("a/b")"},
        {"slash escaped on request", "a/b", slash, R"("a\/b")"},
        {"non-ASCII raw by default", "caf\u00e9 \U0001F600", none, "\"caf\u00e9 \U0001F600\""},
        {"e acute escaped", "caf\u00e9", ascii, R"("caf\u00e9")"},
        {"astral as a surrogate pair", "\U0001F600", ascii, R"("\ud83d\ude00")"},
        {"lowercase hex, last plane", "\u20ac\uFFFD\U0010FFFD", ascii, R"("\u20ac\ufffd\udbff\udffd")"},
        {"both options", "\u00e9/", ascii | slash, R"("\u00e9\/")"},
        {"empty", "", none, R"("")"},
        {"embedded NUL", std::string_view("a\0b", 3), none, R"("a\u0000b")"},
    };
    for (const Case& testCase : cases)
        EXPECT_EQ(encodeString(testCase.input, testCase.flags), testCase.expected) << testCase.name;
}

TEST(StringEscapes, EveryControlCharacterHasAShortOrUnicodeEscape)
{
    std::string input;
    for (char character = 0; character < 0x20; ++character)
        input += character;
    EXPECT_EQ(encodeString(input),
        R"("\u0000\u0001\u0002\u0003\u0004\u0005\u0006\u0007\b\t\n\u000b\f\r\u000e\u000f)"
        R"(\u0010\u0011\u0012\u0013\u0014\u0015\u0016\u0017\u0018\u0019\u001a\u001b\u001c\u001d\u001e\u001f")");
}

TEST(StringEscapes, NonASCIIEscapeRefusesNoncharacters)
{
    for (const char* text : {"\uFFFF", "a\uFFFE", "\uFDD0", "\uFDEF", "\U0001FFFF", "\U0010FFFE"}) {
        Ref<String> string = String::create(text);
        ASSERT_TRUE(string) << text;
        EXPECT_EQ(failureMessage(string.get(), JTSerializeOptionNonASCIIEscape), "Error converting UTF8.");
        EXPECT_EQ(jsonText(string.get()), "\"" + std::string(text) + "\"") << "raw UTF-8 carries them through";
    }
}

// Strings long enough to move the text to the heap, with escapes that need
// more than two bytes per input byte, so the growth checks of the long
// escapes are exercised.
TEST(StringEscapes, LongStrings)
{
    std::string input;
    std::string expected;
    for (int index = 0; index < 10000; ++index) {
        input += "\x01\U0001F600\u00e9";
        expected += "\\u0001\\ud83d\\ude00\\u00e9";
    }
    EXPECT_EQ(encodeString(input, JTSerializeOptionNonASCIIEscape), "\"" + expected + "\"");
}

// One string object met several times: its cached text must be the same
// each time.
TEST(StringEscapes, RepeatedStringObject)
{
    Ref<String> string = String::create("x\"\u00e9");
    Ref<foundation::Array> array = foundation::Array::create({string.get(), string.get(), string.get()});
    EXPECT_EQ(jsonText(array.get(), JTSerializeOptionNonASCIIEscape), R"(["x\"\u00e9","x\"\u00e9","x\"\u00e9"])");
}

TEST(NumberEncoding, ExactTextsForEveryTypeCode)
{
    using Signed = std::numeric_limits<std::int64_t>;
    struct Case {
        const char* name;
        Ref<Number> number;
        std::string_view expected;
    };
    const Case cases[] = {
        {"true singleton", Ref(Number::trueValue()), "true"},
        {"false singleton", Ref(Number::falseValue()), "false"},
        {"B-typed, not a singleton", Number::withBooleanValue(true), "1"},
        {"c", Number::withSigned(-128, 'c'), "-128"},
        {"s", Number::withSigned(-32768, 's'), "-32768"},
        {"i", Number::withSigned(std::numeric_limits<std::int32_t>::min(), 'i'), "-2147483648"},
        {"l", Number::withSigned(-7, 'l'), "-7"},
        {"q zero", Number::withSigned(0, 'q'), "0"},
        {"q max", Number::withSigned(Signed::max(), 'q'), "9223372036854775807"},
        {"q min", Number::withSigned(Signed::min(), 'q'), "-9223372036854775808"},
        {"C", Number::withUnsigned(255, 'C'), "255"},
        {"S", Number::withUnsigned(65535, 'S'), "65535"},
        {"I", Number::withUnsigned(4294967295u, 'I'), "4294967295"},
        {"L", Number::withUnsigned(42, 'L'), "42"},
        {"Q max", Number::withUnsigned(std::numeric_limits<std::uint64_t>::max(), 'Q'), "18446744073709551615"},
        {"d 1.0", Number::withDouble(1.0), "1"},
        {"d 0.1", Number::withDouble(0.1), "0.10000000000000001"},
        {"d 1e21", Number::withDouble(1e21), "1e+21"},
        {"d -0", Number::withDouble(-0.0), "-0"},
        {"d tiny", Number::withDouble(-1.5e-300), "-1.5000000000000001e-300"},
        {"d denormal", Number::withDouble(std::numeric_limits<double>::denorm_min()), "4.9406564584124654e-324"},
        {"d max", Number::withDouble(std::numeric_limits<double>::max()), "1.7976931348623157e+308"},
        {"f widened exactly", Number::withFloat(0.5f), "0.5"},
        {"f widened first", Number::withFloat(0.1f), "0.10000000149011612"},
    };
    for (const Case& testCase : cases)
        EXPECT_EQ(jsonText(testCase.number.get()), testCase.expected) << testCase.name;
}

TEST(NumberEncoding, NaNAndInfinitiesAreRefused)
{
    for (Ref<Number> number : {Number::withDouble(std::nan("")), Number::withDouble(HUGE_VAL),
             Number::withDouble(-HUGE_VAL), Number::withFloat(std::numeric_limits<float>::infinity())}) {
        EXPECT_EQ(failureMessage(number.get()),
            "Floating point values must be finite.  JSON does not support NaN or Infinity.");
    }
}

} // namespace
} // namespace testsupport
