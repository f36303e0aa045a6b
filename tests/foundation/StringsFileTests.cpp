#include "foundation/system/StringsFile.h"

#include <gtest/gtest.h>

using foundation::StringsFile;

namespace {

StringsFile parsed(std::string_view text)
{
    std::string error;
    StringsFile file = StringsFile::parse(text, error);
    EXPECT_EQ(error, "") << text;
    return file;
}

std::string errorOf(std::string_view text)
{
    std::string error;
    StringsFile file = StringsFile::parse(text, error);
    EXPECT_EQ(file.size(), 0u);
    return error;
}

std::string valueOf(const StringsFile& file, std::string_view key)
{
    const std::string* value = file.find(key);
    return value ? *value : "<missing>";
}

TEST(StringsFile, EntriesCommentsAndUnquotedWords)
{
    StringsFile file = parsed(R"(/* The pane's title
   spans lines */
"PaneTitle" = "Your details";   // trailing comment
OtpVsn = "27.1";
"Only a key";
plain_key=plain/value:1.0-rc+$;
"PaneTitle" = "Later entries win";
)");
    EXPECT_EQ(file.size(), 4u);
    EXPECT_EQ(valueOf(file, "PaneTitle"), "Later entries win");
    EXPECT_EQ(valueOf(file, "OtpVsn"), "27.1");
    EXPECT_EQ(valueOf(file, "Only a key"), "Only a key");
    EXPECT_EQ(valueOf(file, "plain_key"), "plain/value:1.0-rc+$");
    EXPECT_EQ(valueOf(file, "DataUsage"), "<missing>");
    EXPECT_EQ(parsed("  \n// nothing but comments\n").size(), 0u);
}

TEST(StringsFile, Escapes)
{
    StringsFile file = parsed(R"("k" = "a \"quote\", a \\ backslash,\n\ttab, \U00e9t\U00E9, \UD83D\UDE00, \101\7, \q";)");
    EXPECT_EQ(valueOf(file, "k"), "a \"quote\", a \\ backslash,\n\ttab, \xC3\xA9t\xC3\xA9, \xF0\x9F\x98\x80, A\a, q");
}

TEST(StringsFile, EncodingsUTF8WithOrWithoutMarkAndUTF16WithMark)
{
    EXPECT_EQ(valueOf(parsed("\xEF\xBB\xBF\"k\" = \"caf\xC3\xA9\";"), "k"), "caf\xC3\xA9");
    // Latin-1 text widened to UTF-16 behind the mark of the byte order.
    auto utf16 = [](std::string_view latin1, bool bigEndian) {
        std::string text = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char c : latin1)
            text += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
        return text;
    };
    EXPECT_EQ(valueOf(parsed(utf16("\"k\" = \"caf\xE9\";", false)), "k"), "caf\xC3\xA9");
    EXPECT_EQ(valueOf(parsed(utf16("\"k\" = \"caf\xE9\";", true)), "k"), "caf\xC3\xA9");
}

TEST(StringsFile, MalformedTablesSayWhereAndWhy)
{
    EXPECT_EQ(errorOf("\"a\" = \"b\";\n\"c\" = \"d\"\n\"e\" = \"f\";"), "line 3: missing ';' after the entry for \"c\"");
    EXPECT_EQ(errorOf("\"a\" = \"never closed;\n"), "line 1: a quoted string that is never closed");
    EXPECT_EQ(errorOf("/* open comment \"a\" = \"b\";"), "line 1: a comment that is never closed");
    EXPECT_EQ(errorOf("\"a\" = ;"), "line 1: unexpected ';' where a string should be");
    EXPECT_EQ(errorOf("\"a\" ="), "line 1: the file ends where a string should be");
    EXPECT_EQ(errorOf("\"a\" = \"\\U12\";"), "line 1: \\U must be followed by four hexadecimal digits");
    EXPECT_EQ(errorOf("\"a\" = \"\\UD800\";"), "line 1: \\U escape of an unpaired surrogate");
    EXPECT_EQ(errorOf("\"a\" = \"caf\xE9\";"), "not UTF-8 text");
}

} // namespace
