#include "foundation/objects/Array.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Error.h"
#include "foundation/objects/Format.h"
#include "foundation/objects/Null.h"
#include "foundation/objects/Number.h"

#include <gtest/gtest.h>

using namespace foundation;

TEST(Formatting, ScalarsPrintAsThePlatformDoesBesidePrintfDirectives)
{
    EXPECT_EQ(format("%@", str("plain text")), "plain text");
    EXPECT_EQ(format("%@", Number::withSigned(-42)), "-42");
    EXPECT_EQ(format("%@", Number::withDouble(0.1)), "0.1");
    EXPECT_EQ(format("%@", Number::withFloat(0.1f)), "0.1");
    EXPECT_EQ(format("%@", Number::trueValue()), "1");
    EXPECT_EQ(format("%@", Null::null()), "<null>");
    EXPECT_EQ(format("%@", nullptr), "(null)");

    EXPECT_EQ(format("%@_%@_%ld_%ld", str("Ann"), str("Lee"), 7L, 1796586271L), "Ann_Lee_7_1796586271");
    EXPECT_EQ(format("'%c' \\u%4.4x", 'z', 0x1f), "'z' \\u001f");
    EXPECT_EQ(format("Expected %@, not '%*.*s'", str("a value"), 3, 3, "abcdef"), "Expected a value, not 'abc'");
    EXPECT_EQ(format("100%% %s %u %.17g", "done", 5u, 0.1), "100% done 5 0.10000000000000001");
    EXPECT_EQ(format("%lu missing %d"), " missing ");  // missing arguments print nothing
    std::string longText(500, 'x');
    EXPECT_EQ(format("%s!", longText), longText + "!");
}

TEST(Descriptions, CollectionsNestWithFourBlankIndentation)
{
    Ref<Array> inner = Array::create({Number::withSigned(1).get(), str("two words").get()});
    Ref<Dictionary> dictionary = Dictionary::create({
        {str("b").get(), inner.get()},
        {str("a").get(), str("x").get()},
        {str("c").get(), Dictionary::create({{str("k").get(), str("caf\xC3\xA9").get()}}).get()},
    });
    EXPECT_EQ(dictionary->description(),
              "{\n"
              "    a = x;\n"
              "    b =     (\n"
              "        1,\n"
              "        \"two words\"\n"
              "    );\n"
              "    c =     {\n"
              "        k = \"caf\\U00e9\";\n"
              "    };\n"
              "}");
    EXPECT_EQ(Array::create({})->description(), "(\n)");
    EXPECT_EQ(Dictionary::create({})->description(), "{\n}");
    EXPECT_EQ(Array::create({Array::create({Number::withSigned(1).get()}).get()})->description(),
              "(\n        (\n        1\n    )\n)");
}

TEST(Descriptions, Errors)
{
    Ref<Error> error = Error::withDescription("JTErrorDomain", -1, "Key must be a string object.");
    EXPECT_EQ(error->description(), "Error Domain=JTErrorDomain Code=-1 \"Key must be a string object.\" "
                                    "UserInfo={NSLocalizedDescription=Key must be a string object.}");
    EXPECT_EQ(Error::create("D", 3)->localizedDescription(), "The operation couldn’t be completed. (D error 3.)");
}

TEST(Descriptions, OptionalErrors)
{
    Ref<Error> error = Error::withDescription("JTErrorDomain", -1, "Key must be a string object.");
    EXPECT_EQ(optionalDescription(nullptr), "nil");
    EXPECT_EQ(optionalDescription(error.get()).rfind("Optional(Error Domain=JTErrorDomain", 0), 0u);
}

// The fewest digits that read back the same, in plain notation unless the
// exponent is below -4 or at least 17.
TEST(Descriptions, DoublesGiveTheirShortestDigitsInPlainNotationUpTo1e17)
{
    const std::pair<double, const char*> cases[] = {
        {100.0, "100"},
        {1500.0, "1500"},
        {1e16, "10000000000000000"},
        {12345678901234568.0, "12345678901234568"},
        {1e17, "1e+17"},
        {1.2345e17, "1.2345e+17"},
        {1e22, "1e+22"},
        {0.0001, "0.0001"},
        {0.000123, "0.000123"},
        {0.00001, "1e-05"},
        {0.1, "0.1"},
        {-1.5, "-1.5"},
        {-0.0, "-0"},
        {0.0, "0"},
        {5e-324, "5e-324"},
        {1.7976931348623157e308, "1.7976931348623157e+308"},
        {-2.5e-300, "-2.5e-300"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(Number::withDouble(value)->description(), text) << text;
}

TEST(Descriptions, FloatsGiveTheShortestDigitsOfTheFloat)
{
    EXPECT_EQ(Number::withFloat(100.0f)->description(), "100");
    EXPECT_EQ(Number::withFloat(1e-5f)->description(), "1e-05");
    EXPECT_EQ(Number::withFloat(3.4028235e38f)->description(), "3.4028235e+38");
    EXPECT_EQ(Number::withFloat(16777216.0f)->description(), "16777216");
}

TEST(Descriptions, CollectionsDescribeTheirDoublesTheSameWay)
{
    Ref<Array> numbers = Array::create({Number::withDouble(100.0).get(), Number::withDouble(1500.0).get(),
        Number::withDouble(1e17).get(), Number::withDouble(0.00001).get()});
    EXPECT_EQ(numbers->description(), "(\n    100,\n    1500,\n    1e+17,\n    1e-05\n)");
}
