#pragma once

// The scanners' two ways over plain runs of bytes (white space, string
// contents): sixteen bytes a step with SSE2, which every x86-64 processor
// has, or a portable byte loop. Both find the same bytes, so a document
// decodes to the same result, or fails with the same message, offset and
// line, either way.
//
// A build configured with JOTTER_SCALAR_SCAN (and any build for a processor
// without SSE2) has only the portable loop. Otherwise the vector path is
// used unless a program (the fuzzer that compares the two, the tests)
// switches to the portable loop; the choice is read when a parse starts.

#if !defined(JOTTER_SCALAR_SCAN) && defined(__SSE2__)
#define JOTTER_VECTOR_SCAN 1
#else
#define JOTTER_VECTOR_SCAN 0
#endif

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if JOTTER_VECTOR_SCAN
#include <emmintrin.h>
#endif

namespace jotter {

// Whether parses started from now on, on any thread, use the vector path.
// False when the build has none. Setting it while another thread parses is
// safe; that parse keeps the path it started with.
bool jt_vectorScanning() noexcept;
void jt_setVectorScanning(bool enabled) noexcept;

namespace scanPath {

// Bytes that end a plain run of string contents: the quote, the
// backslash, control characters and the bytes of non-ASCII sequences.
constexpr std::array<bool, 256> endsStringRun = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 0x20; ++c)
        table[c] = true;
    for (int c = 0x80; c < 0x100; ++c)
        table[c] = true;
    table['"'] = table['\\'] = true;
    return table;
}();

// Eight bytes at a time: indented documents are mostly runs of spaces.
inline const unsigned char* skipSpacesPortable(const unsigned char* p, const unsigned char* end) noexcept
{
    constexpr std::uint64_t EightSpaces = 0x2020202020202020;
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        if (std::uint64_t differing = word ^ EightSpaces) {
            int bit = std::endian::native == std::endian::little ? std::countr_zero(differing)
                                                                  : std::countl_zero(differing);
            return p + bit / 8;
        }
        p += 8;
    }
    while (p < end && *p == ' ')
        ++p;
    return p;
}

inline const unsigned char* findStringRunEndPortable(const unsigned char* p, const unsigned char* end) noexcept
{
    while (p < end && !endsStringRun[*p])
        ++p;
    return p;
}

#if JOTTER_VECTOR_SCAN

inline const unsigned char* atFirstSetByte(const unsigned char* p, int mask) noexcept
{
    return p + std::countr_zero(static_cast<unsigned>(mask));
}

inline const unsigned char* skipSpacesVector(const unsigned char* p, const unsigned char* end) noexcept
{
    const __m128i spaces = _mm_set1_epi8(' ');
    while (end - p >= 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        int notSpace = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, spaces)) ^ 0xFFFF;
        if (notSpace)
            return atFirstSetByte(p, notSpace);
        p += 16;
    }
    return skipSpacesPortable(p, end);
}

inline const unsigned char* findStringRunEndVector(const unsigned char* p, const unsigned char* end) noexcept
{
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i largestControl = _mm_set1_epi8(0x1F);
    while (end - p >= 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i special = _mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash));
        special = _mm_or_si128(special, _mm_cmpeq_epi8(_mm_min_epu8(bytes, largestControl), bytes));
        // movemask of the bytes themselves: their high bit, set from 0x80 up.
        if (int found = _mm_movemask_epi8(special) | _mm_movemask_epi8(bytes))
            return atFirstSetByte(p, found);
        p += 16;
    }
    return findStringRunEndPortable(p, end);
}

#endif

} // namespace scanPath

// Past a run of spaces.
inline const unsigned char* jt_skipSpaces(const unsigned char* p, const unsigned char* end, bool vector) noexcept
{
#if JOTTER_VECTOR_SCAN
    if (vector)
        return scanPath::skipSpacesVector(p, end);
#endif
    static_cast<void>(vector);
    return scanPath::skipSpacesPortable(p, end);
}

// The first byte from p on that ends a plain run of string contents, or end.
inline const unsigned char* jt_findStringRunEnd(const unsigned char* p, const unsigned char* end, bool vector) noexcept
{
#if JOTTER_VECTOR_SCAN
    if (vector)
        return scanPath::findStringRunEndVector(p, end);
#endif
    static_cast<void>(vector);
    return scanPath::findStringRunEndPortable(p, end);
}

} // namespace jotter
