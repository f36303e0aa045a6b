#include "json/internal/ConvertSingleCodePointInUTF8.h"

#include <gtest/gtest.h>

#include <string_view>

namespace jotter {
namespace {

// A malformed sequence stops after its well-formed prefix; a noncharacter is
// refused whole; a sequence cut by the end of the input is exhausted.
TEST(UTF8Sequence, ResultCodePointAndLengthConsumed)
{
    constexpr auto ok = ConversionResult::ConversionOK;
    constexpr auto illegal = ConversionResult::SourceIllegal;
    constexpr auto exhausted = ConversionResult::SourceExhausted;
    struct Case {
        const char* name;
        std::string_view bytes;
        ConversionResult result;
        std::size_t consumed;
        std::uint32_t codePoint;  // only an ok result has one
    };
    const Case cases[] = {
        {"ASCII", "A", ok, 1, 0x41},
        {"first of two bytes", "\xC2\x80", ok, 2, 0x80},
        {"last of two bytes", "\xDF\xBF", ok, 2, 0x7FF},
        {"first of three bytes", "\xE0\xA0\x80", ok, 3, 0x800},
        {"below the surrogates", "\xED\x9F\xBF", ok, 3, 0xD7FF},
        {"above the surrogates", "\xEE\x80\x80", ok, 3, 0xE000},
        {"replacement character", "\xEF\xBF\xBD", ok, 3, 0xFFFD},
        {"first of four bytes", "\xF0\x90\x80\x80", ok, 4, 0x10000},
        {"last plane", "\xF4\x8F\xBF\xBD", ok, 4, 0x10FFFD},
        {"just past the FDD0 block", "\xEF\xB7\xB0", ok, 3, 0xFDF0},
        {"stray continuation byte", "\x80", illegal, 1, 0},
        {"overlong NUL", "\xC0\x80", illegal, 1, 0},
        {"overlong three-byte form", "\xE0\x80\x80", illegal, 1, 0},
        {"surrogate", "\xED\xA0\x80", illegal, 1, 0},
        {"above U+10FFFF", "\xF4\x90\x80\x80", illegal, 1, 0},
        {"F5 lead byte", "\xF5\x80\x80\x80", illegal, 1, 0},
        {"cut short by an ASCII byte", "\xE2\x82" "A", illegal, 2, 0},
        {"U+FDD0", "\xEF\xB7\x90", illegal, 3, 0},
        {"U+FFFF", "\xEF\xBF\xBF", illegal, 3, 0},
        {"U+10FFFF", "\xF4\x8F\xBF\xBF", illegal, 4, 0},
        {"cut by the end", "\xF0\x9F\x98", exhausted, 3, 0},
        {"empty", "", exhausted, 0, 0},
    };
    for (const Case& testCase : cases) {
        auto start = reinterpret_cast<const unsigned char*>(testCase.bytes.data());
        const unsigned char* next = nullptr;
        std::uint32_t codePoint = 0;
        ConversionResult result = ConvertSingleCodePointInUTF8(start, start + testCase.bytes.size(), &next, &codePoint);
        EXPECT_EQ(result, testCase.result) << testCase.name;
        EXPECT_EQ(static_cast<std::size_t>(next - start), testCase.consumed) << testCase.name;
        EXPECT_EQ(result == ok ? codePoint : 0u, testCase.codePoint) << testCase.name;
    }
}

} // namespace
} // namespace jotter
