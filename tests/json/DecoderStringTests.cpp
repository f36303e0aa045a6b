// Strings: the in-place and the decoding paths, escapes, surrogates, UTF-8
// checks and the lenient option.

#include "DecodingHelpers.h"

#include "foundation/objects/String.h"

namespace testsupport {

using namespace jotter;

namespace {

// The bytes of the one string in `text`, a one-element array.
std::string decodedString(std::string_view text, JTParseOptionFlags options = 0)
{
    foundation::Ref<foundation::Object> tree = decoded(text, options);
    if (!tree)
        return "<failed>";
    foundation::Object* element = onlyElement(tree);
    EXPECT_TRUE(element && element->isString());
    return element && element->isString() ? std::string(static_cast<foundation::String*>(element)->utf8()) : "";
}

TEST(DecoderStrings, PlainAndEscapedFormsOfOneTextAreEqual)
{
    EXPECT_EQ(decodedString(R"(["caf\u00e9 \u20ac \ud83d\ude00"])"), "caf\u00e9 \u20ac \U0001F600");
    EXPECT_EQ(decodedString("[\"caf\u00e9 \u20ac \U0001F600\"]"), "caf\u00e9 \u20ac \U0001F600");
}

TEST(DecoderStrings, EveryEscapeDecodes)
{
    EXPECT_EQ(decodedString(R"(["\"\\\/\b\f\n\r\t\u0041\u00DF"])"), "\"\\/\b\f\n\r\tA\u00df");
}

TEST(DecoderStrings, EscapesLongerThanTheFrameBufferMoveToTheHeap)
{
    std::string expected;
    std::string text = "[\"";
    for (int i = 0; i < 3000; ++i) {
        text += "ab\\n\\u00e9";
        expected += "ab\n\u00e9";
    }
    text += "\"]";
    EXPECT_EQ(decodedString(text), expected);
}

TEST(DecoderStrings, EmptyStringIsTheSharedOne)
{
    EXPECT_EQ(onlyElement(decoded(R"([""])")), foundation::String::empty());
}

TEST(DecoderStrings, BadEscapesAreRefused)
{
    EXPECT_EQ(decodeFailure(R"(["\x"])"), "Invalid escape sequence found in \"\" string.");
    EXPECT_EQ(decodeFailure(R"(["\u12G4"])"),
        "Unexpected character found in \\u Unicode escape sequence.  Found 'G', expected [0-9a-fA-F].");
}

TEST(DecoderStrings, ABadEscapeByteThatIsNotUTF8IsQuotedAsReplacementCharacter)
{
    EXPECT_EQ(decodeFailure("[\"\\u12\xff" "4\"]"),
        "Unexpected character found in \\u Unicode escape sequence.  Found '\uFFFD', expected [0-9a-fA-F].");
}

TEST(DecoderStrings, LoneHighSurrogateNeedsASecondEscape)
{
    const char* message =
        "Required a second \\u Unicode escape sequence following a surrogate \\u Unicode escape sequence.";
    EXPECT_EQ(decodeFailure(R"(["\uD800"])"), message);
    EXPECT_EQ(decodeFailure(R"(["\uD800\n"])"), message);
    // Leniently, U+FFFD, and what followed is read again as content.
    EXPECT_EQ(decodedString(R"(["\uD800"])", JTParseOptionLenientUnicode), "\uFFFD");
    EXPECT_EQ(decodedString(R"(["\uD800x\n"])", JTParseOptionLenientUnicode), "\uFFFDx\n");
    EXPECT_EQ(decodedString(R"(["\uD800\n"])", JTParseOptionLenientUnicode), "\uFFFD\n");
}

TEST(DecoderStrings, IllegalCodePointsAreRefusedOrReplaced)
{
    // A high surrogate followed by a non-low unit, NUL, a lone low
    // surrogate, noncharacters.
    for (const char* text : {R"(["\uD800\u0041"])", R"(["\u0000"])", R"(["\uDC00"])", R"(["\uFDD0"])",
             R"(["\uFFFE"])", R"(["\uD83F\uDFFF"])"}) {
        EXPECT_EQ(decodeFailure(text), "Illegal \\u Unicode escape sequence.") << text;
        EXPECT_EQ(decodedString(text, JTParseOptionLenientUnicode), "\uFFFD") << text;
    }
}

TEST(DecoderStrings, RawControlCharactersAreRefused)
{
    EXPECT_EQ(decodeFailure("[\"a\x01\"]"), "Invalid character < 0x20 found in string: 0x01.");
    EXPECT_EQ(decodeFailure("[\"\\n\x1f\"]"), "Invalid character < 0x20 found in string: 0x1f.");
    EXPECT_EQ(decodedString("[\"\x7f\"]"), "\x7f");
}

TEST(DecoderStrings, MalformedUTF8IsRefusedOrReplaced)
{
    // A stray continuation byte, an overlong form, a surrogate, a sequence
    // cut short by the closing quote; on both paths.
    for (std::string body : {"\x80", "\xC0\xAF", "\xED\xA0\x80", "\xE2\x82"}) {
        for (std::string prefix : {"", "\\t"}) {
            std::string text = "[\"" + prefix + body + "\"]";
            EXPECT_EQ(decodeFailure(text), "Illegal UTF8 sequence found in \"\" string.");
            std::string expected = (prefix.empty() ? "" : "\t") + std::string("\uFFFD");
            std::string lenient = decodedString(text, JTParseOptionLenientUnicode);
            EXPECT_EQ(lenient.substr(0, expected.size()), expected);
        }
    }
}

TEST(DecoderStrings, UTF8CutOffByTheEndOfInputFailsEvenLeniently)
{
    EXPECT_EQ(decodeFailure("[\"\xE2\x82"), "End of buffer reached while parsing UTF8 in \"\" string.");
    EXPECT_EQ(decodeFailure("[\"\\t\xE2\x82", JTParseOptionLenientUnicode),
        "End of buffer reached while parsing UTF8 in \"\" string.");
}

TEST(DecoderStrings, UnterminatedStringsAreInvalid)
{
    for (const char* text : {"[\"abc", "[\"a\\", "[\"\\u12", "[\"\\uD800\\"})
        EXPECT_EQ(decodeFailure(text), "Invalid string.") << text;
}

} // namespace
} // namespace testsupport
