#include "json/internal/ConvertSingleCodePointInUTF8.h"

#include "foundation/objects/UTF8Lead.h"

namespace jotter {

namespace {

constexpr std::uint32_t ReplacementCharacter = 0xFFFD;

bool isNoncharacter(std::uint32_t codePoint) noexcept
{
    return (codePoint >= 0xFDD0 && codePoint <= 0xFDEF) || (codePoint & 0xFFFE) == 0xFFFE;
}

// The range the second byte of a sequence must fall in: the first byte alone
// cannot rule out overlong forms, surrogates or values above U+10FFFF.
struct SecondByteRange {
    unsigned char low;
    unsigned char high;
};

SecondByteRange secondByteRange(unsigned char lead) noexcept
{
    switch (lead) {
    case 0xE0: return {0xA0, 0xBF};  // no overlong three-byte forms
    case 0xED: return {0x80, 0x9F};  // no surrogates
    case 0xF0: return {0x90, 0xBF};  // no overlong four-byte forms
    case 0xF4: return {0x80, 0x8F};  // nothing above U+10FFFF
    default: return {0x80, 0xBF};
    }
}

} // namespace

ConversionResult ConvertSingleCodePointInUTF8(const unsigned char* sourceStart, const unsigned char* sourceEnd,
    const unsigned char** nextUTF8, std::uint32_t* convertedUTF32) noexcept
{
    const unsigned char* cursor = sourceStart;
    *convertedUTF32 = ReplacementCharacter;
    *nextUTF8 = sourceStart + 1;
    if (sourceStart >= sourceEnd) {
        *nextUTF8 = sourceStart;
        return ConversionResult::SourceExhausted;
    }

    unsigned char lead = *cursor++;
    int length = foundation::utf8SequenceLength(lead);
    if (length == 0)
        return ConversionResult::SourceIllegal;

    static constexpr unsigned char leadMasks[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    std::uint32_t codePoint = lead & leadMasks[length];
    for (int index = 1; index < length; ++index) {
        if (cursor == sourceEnd) {
            *nextUTF8 = cursor;
            return ConversionResult::SourceExhausted;
        }
        SecondByteRange range = index == 1 ? secondByteRange(lead) : SecondByteRange{0x80, 0xBF};
        unsigned char byte = *cursor;
        if (byte < range.low || byte > range.high) {
            *nextUTF8 = cursor;
            return ConversionResult::SourceIllegal;
        }
        codePoint = (codePoint << 6) | (byte & 0x3F);
        ++cursor;
    }

    *nextUTF8 = cursor;
    if (isNoncharacter(codePoint))
        return ConversionResult::SourceIllegal;
    *convertedUTF32 = codePoint;
    return ConversionResult::ConversionOK;
}

} // namespace jotter
