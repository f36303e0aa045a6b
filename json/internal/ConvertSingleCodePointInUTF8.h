#pragma once

#include <cstdint>

namespace jotter {

enum class ConversionResult {
    ConversionOK,     // a well-formed sequence of an allowed code point
    SourceExhausted,  // the bytes end inside an otherwise well-formed sequence
    SourceIllegal,    // malformed, or a code point the library refuses
};

// Decodes the one UTF-8 sequence that starts at sourceStart (before
// sourceEnd) into *convertedUTF32. Besides malformed sequences (overlong
// forms, surrogates, values above U+10FFFF, stray continuation bytes) it
// refuses the noncharacters U+FDD0..U+FDEF and every code point whose low 16
// bits are FFFE or FFFF, which JSON text must not carry through.
//
// *nextUTF8 is set past the bytes examined: the whole sequence when it was
// well formed (a refused noncharacter included), otherwise past its longest
// well-formed prefix and at least one byte, so that a caller that substitutes
// U+FFFD resumes where the next sequence can start.
[[nodiscard]] ConversionResult ConvertSingleCodePointInUTF8(const unsigned char* sourceStart,
    const unsigned char* sourceEnd, const unsigned char** nextUTF8, std::uint32_t* convertedUTF32) noexcept;

} // namespace jotter
