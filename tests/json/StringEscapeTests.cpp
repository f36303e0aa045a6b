#include "EncodingHelpers.h"

#include "foundation/Array.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace jotter::testing {
namespace {

using foundation::Ref;
using foundation::String;

std::string encodeString(std::string_view utf8, JTSerializeOptionFlags flags = JTSerializeOptionNone)
{
    Ref<String> string = String::create(utf8);
    EXPECT_TRUE(string);
    return jsonText(string.get(), flags);
}

TEST(StringEscapes, QuoteBackslashTabAndControlCharacter)
{
    EXPECT_EQ(encodeString("\"\\\t\x01"), R"("\"\\\t\u0001")");
}

TEST(StringEscapes, EveryControlCharacterHasAShortOrUnicodeEscape)
{
    std::string input;
    std::string expected = "\"";
    for (int character = 0; character < 0x20; ++character) {
        input += static_cast<char>(character);
        switch (character) {
        case '\b': expected += "\\b"; break;
        case '\t': expected += "\\t"; break;
        case '\n': expected += "\\n"; break;
        case '\f': expected += "\\f"; break;
        case '\r': expected += "\\r"; break;
        default: {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%4.4x", character);
            expected += escape;
        }
        }
    }
    expected += "\"";
    EXPECT_EQ(encodeString(input), expected);
    EXPECT_EQ(encodeString("\x0b"), R"("\u000b")");  // no short form for the vertical tab
    EXPECT_EQ(encodeString("\x1f"), R"("\u001f")");
}

TEST(StringEscapes, DeleteIsWrittenRaw)
{
    EXPECT_EQ(encodeString("a\x7f" "b"), "\"a\x7f" "b\"");
}

TEST(StringEscapes, SlashIsEscapedOnlyOnRequest)
{
    EXPECT_EQ(encodeString("a/b"), R"("a/b")");
    EXPECT_EQ(encodeString("a/b", JTSerializeOptionSlashEscape), R"("a\/b")");
}

TEST(StringEscapes, NonASCIIIsRawUTF8ByDefault)
{
    EXPECT_EQ(encodeString("caf\u00e9 \U0001F600"), "\"caf\u00e9 \U0001F600\"");
}

TEST(StringEscapes, NonASCIIEscapeWritesLowercaseUnicodeEscapesAndSurrogatePairs)
{
    EXPECT_EQ(encodeString("caf\u00e9", JTSerializeOptionNonASCIIEscape), R"("caf\u00e9")");
    EXPECT_EQ(encodeString("\U0001F600", JTSerializeOptionNonASCIIEscape), R"("\ud83d\ude00")");
    EXPECT_EQ(encodeString("\u20ac\uFFFD\U0010FFFD", JTSerializeOptionNonASCIIEscape),
        R"("\u20ac\ufffd\udbff\udffd")");
    EXPECT_EQ(encodeString("\u00e9/", JTSerializeOptionNonASCIIEscape | JTSerializeOptionSlashEscape),
        R"("\u00e9\/")");
}

TEST(StringEscapes, NonASCIIEscapeRefusesNoncharacters)
{
    for (const char* text : {"\uFFFF", "a\uFFFE", "\uFDD0", "\uFDEF", "\U0001FFFF", "\U0010FFFE"}) {
        Ref<String> string = String::create(text);
        ASSERT_TRUE(string) << text;
        EXPECT_EQ(failureMessage(string.get(), JTSerializeOptionNonASCIIEscape), "Error converting UTF8.");
        EXPECT_EQ(jsonText(string.get()), jsonQuoted(text)) << "raw UTF-8 carries them through";
    }
}

// Strings long enough to move the text to the heap, with escapes that need
// more than two bytes per input byte, so the growth checks of the long
// escapes are exercised.
TEST(StringEscapes, LongEscapesGrowTheBufferAsTheyGo)
{
    std::string controls(20000, '\x01');
    std::string expectedControls;
    for (std::size_t index = 0; index < controls.size(); ++index)
        expectedControls += "\\u0001";
    EXPECT_EQ(encodeString(controls), jsonQuoted(expectedControls));

    std::string astral;
    std::string expectedAstral;
    for (int index = 0; index < 10000; ++index) {
        astral += "\U0001F600\u00e9";
        expectedAstral += "\\ud83d\\ude00\\u00e9";
    }
    EXPECT_EQ(encodeString(astral, JTSerializeOptionNonASCIIEscape), jsonQuoted(expectedAstral));
}

TEST(StringEscapes, EmptyStringAndEmbeddedNul)
{
    EXPECT_EQ(encodeString(""), R"("")");
    EXPECT_EQ(encodeString(std::string_view("a\0b", 3)), R"("a\u0000b")");
}

TEST(StringEscapes, RepeatedStringObjectIsWrittenTheSameEachTime)
{
    Ref<String> string = String::create("x\"\u00e9");
    Ref<foundation::Array> array = foundation::Array::create({string.get(), string.get(), string.get()});
    EXPECT_EQ(jsonText(array.get(), JTSerializeOptionNonASCIIEscape), R"(["x\"\u00e9","x\"\u00e9","x\"\u00e9"])");
}

} // namespace
} // namespace jotter::testing
