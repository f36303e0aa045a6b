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
