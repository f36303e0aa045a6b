#include "json/ConvertSingleCodePointInUTF8.h"

#include <gtest/gtest.h>

#include <string_view>

namespace jotter {
namespace {

struct Outcome {
    ConversionResult result;
    std::uint32_t codePoint;
    std::size_t consumed;
};

Outcome convert(std::string_view bytes)
{
    auto start = reinterpret_cast<const unsigned char*>(bytes.data());
    const unsigned char* next = nullptr;
    std::uint32_t codePoint = 0;
    ConversionResult result = ConvertSingleCodePointInUTF8(start, start + bytes.size(), &next, &codePoint);
    return {result, codePoint, static_cast<std::size_t>(next - start)};
}

void expectCodePoint(std::string_view bytes, std::uint32_t codePoint)
{
    Outcome outcome = convert(bytes);
    EXPECT_EQ(outcome.result, ConversionResult::ConversionOK) << std::hex << codePoint;
    EXPECT_EQ(outcome.codePoint, codePoint);
    EXPECT_EQ(outcome.consumed, bytes.size());
}

void expectRefused(std::string_view bytes, std::size_t consumed)
{
    Outcome outcome = convert(bytes);
    EXPECT_EQ(outcome.result, ConversionResult::SourceIllegal);
    EXPECT_EQ(outcome.consumed, consumed);
}

TEST(UTF8Sequence, WellFormedSequencesOfEveryLength)
{
    expectCodePoint("A", 0x41);
    expectCodePoint("\xC2\x80", 0x80);
    expectCodePoint("\xDF\xBF", 0x7FF);
    expectCodePoint("\xE0\xA0\x80", 0x800);
    expectCodePoint("\xED\x9F\xBF", 0xD7FF);
    expectCodePoint("\xEE\x80\x80", 0xE000);
    expectCodePoint("\xEF\xBF\xBD", 0xFFFD);
    expectCodePoint("\xF0\x90\x80\x80", 0x10000);
    expectCodePoint("\xF4\x8F\xBF\xBD", 0x10FFFD);
}

TEST(UTF8Sequence, MalformedSequencesStopAfterTheirWellFormedPrefix)
{
    expectRefused("\x80", 1);              // stray continuation byte
    expectRefused("\xC0\x80", 1);          // overlong NUL
    expectRefused("\xE0\x80\x80", 1);      // overlong three-byte form
    expectRefused("\xED\xA0\x80", 1);      // surrogate
    expectRefused("\xF4\x90\x80\x80", 1);  // above U+10FFFF
    expectRefused("\xF5\x80\x80\x80", 1);
    expectRefused("\xE2\x82" "A", 2);      // cut short by an ASCII byte
}

TEST(UTF8Sequence, NoncharactersAreRefusedWhole)
{
    expectRefused("\xEF\xB7\x90", 3);      // U+FDD0
    expectRefused("\xEF\xB7\xAF", 3);      // U+FDEF
    expectRefused("\xEF\xBF\xBE", 3);      // U+FFFE
    expectRefused("\xEF\xBF\xBF", 3);      // U+FFFF
    expectRefused("\xF0\x9F\xBF\xBF", 4);  // U+1FFFF
    expectRefused("\xF4\x8F\xBF\xBF", 4);  // U+10FFFF
    expectCodePoint("\xEF\xB7\xB0", 0xFDF0);
}

TEST(UTF8Sequence, SequenceCutByTheEndOfInputIsExhausted)
{
    Outcome outcome = convert("\xF0\x9F\x98");
    EXPECT_EQ(outcome.result, ConversionResult::SourceExhausted);
    EXPECT_EQ(outcome.consumed, 3u);
    EXPECT_EQ(convert("").result, ConversionResult::SourceExhausted);
}

} // namespace
} // namespace jotter
