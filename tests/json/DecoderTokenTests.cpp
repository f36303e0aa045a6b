// White space, line counting, comments and literals.

#include "DecodingHelpers.h"

namespace testsupport {

using namespace jotter;

namespace {

TEST(DecoderTokens, BlanksTabsAndLineBreaksSeparateTokens)
{
    EXPECT_EQ(recoded(" \t\r\n[ 1 ,\t2\r\n,\n3 ] \n"), "[1,2,3]");
}

TEST(DecoderTokens, LongRunsOfSpacesEndAtTheFirstOtherByte)
{
    // Runs longer than a word, ending at every offset within one, then a tab,
    // a line break or the end of the input.
    EXPECT_EQ(recoded("[1,         \t2,                \n3,           4]                "), "[1,2,3,4]");
    foundation::Ref<foundation::Error> error = decodeError("[1,\n             x]");
    EXPECT_EQ(errorInfo(*error, "JTAtIndexKey"), 17u);
    EXPECT_EQ(errorInfo(*error, "JTLineNumberKey"), 2u);
}

TEST(DecoderTokens, ErrorsCarryLineNumberAndByteOffset)
{
    // CR LF counts once, a lone CR and a lone LF once each.
    foundation::Ref<foundation::Error> error = decodeError("[1,\r\n2,\r3 x]");
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(),
        "Unexpected token, wanted '{', '}', '[', ']', ',', ':', 'true', 'false', 'null', '\"STRING\"', 'NUMBER'.");
    EXPECT_EQ(errorInfo(*error, "JTLineNumberKey"), 3u);
    EXPECT_EQ(errorInfo(*error, "JTAtIndexKey"), 10u);
}

TEST(DecoderTokens, UnicodeLineBreaksNeedTheirOption)
{
    std::string text = "[1,\xC2\x85 2,\xE2\x80\xA8 3,\xE2\x80\xA9 x]";
    EXPECT_EQ(errorInfo(*decodeError(text, JTParseOptionUnicodeLineBreaks), "JTLineNumberKey"), 4u);
    EXPECT_EQ(decodeFailure("[1,\xE2\x80\xA8 2]"),
        "Unexpected token, wanted '{', '}', '[', ']', ',', ':', 'true', 'false', 'null', '\"STRING\"', 'NUMBER'.");
    EXPECT_EQ(recoded("[1,\xE2\x80\xA8 2]", JTParseOptionUnicodeLineBreaks), "[1,2]");
}

TEST(DecoderTokens, CommentsAreWhiteSpaceOnlyWithTheirOption)
{
    std::string text = "[1 /* c */ , 2 // d\n]";
    EXPECT_EQ(recoded(text, JTParseOptionAllowComments), "[1,2]");
    EXPECT_EQ(decodeFailure(text),
        "Unexpected token, wanted '{', '}', '[', ']', ',', ':', 'true', 'false', 'null', '\"STRING\"', 'NUMBER'.");
}

TEST(DecoderTokens, LineBreaksInsideCommentsAreCounted)
{
    foundation::Ref<foundation::Error> error =
        decodeError("/* one\r\ntwo\n*/ [1, // three\n x]", JTParseOptionAllowComments);
    EXPECT_EQ(errorInfo(*error, "JTLineNumberKey"), 4u);
    std::string unicode = "/*\xE2\x80\xA9*/[x]";
    EXPECT_EQ(errorInfo(*decodeError(unicode, JTParseOptionAllowComments | JTParseOptionUnicodeLineBreaks),
                  "JTLineNumberKey"),
        2u);
}

TEST(DecoderTokens, CommentRunningToTheEndEndsTheInput)
{
    EXPECT_EQ(recoded("[1] // trailing", JTParseOptionAllowComments), "[1]");
    EXPECT_EQ(recoded("[1] /* never closed", JTParseOptionAllowComments), "[1]");
    EXPECT_EQ(decodeFailure("[1, /* never closed", JTParseOptionAllowComments), "Unexpected token, wanted '{', '}', "
                                                                               "'[', ']', ',', ':', 'true', 'false', "
                                                                               "'null', '\"STRING\"', 'NUMBER'.");
}

TEST(DecoderTokens, LiteralsAreTheSharedConstants)
{
    foundation::Ref<foundation::Object> tree = decoded("[true,false,null]");
    auto& array = static_cast<foundation::Array&>(*tree);
    EXPECT_EQ(array.objectAtIndex(0), foundation::Number::trueValue());
    EXPECT_EQ(array.objectAtIndex(1), foundation::Number::falseValue());
    EXPECT_EQ(array.objectAtIndex(2), foundation::Null::null());
}

TEST(DecoderTokens, MisspelledLiteralsAreUnexpectedTokens)
{
    for (const char* text : {"[tru]", "[nul ]", "[falsy]", "[True]", "[+1]", "[.5]"})
        EXPECT_EQ(decodeFailure(text), "Unexpected token, wanted '{', '}', '[', ']', ',', ':', 'true', 'false', "
                                       "'null', '\"STRING\"', 'NUMBER'.")
            << text;
}

} // namespace
} // namespace testsupport
