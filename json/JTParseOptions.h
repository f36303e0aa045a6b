#pragma once

#include <cstddef>
#include <cstdint>

namespace jotter {

// Bits that relax the JSON grammar the decoder accepts. A value above
// JTParseOptionMask is a programmer error and raises.
using JTParseOptionFlags = std::uint64_t;

inline constexpr JTParseOptionFlags JTParseOptionNone = 0;  // strict JSON, an array or object at the top
// /* ... */ and // ... comments count as white space.
inline constexpr JTParseOptionFlags JTParseOptionAllowComments = 1;
// U+0085, U+2028 and U+2029 count as line breaks, in white space and comments.
inline constexpr JTParseOptionFlags JTParseOptionUnicodeLineBreaks = 2;
// Malformed UTF-8 and illegal \u escapes in strings become U+FFFD instead of failing.
inline constexpr JTParseOptionFlags JTParseOptionLenientUnicode = 4;
// Text after the top-level value is not an error.
inline constexpr JTParseOptionFlags JTParseOptionAllowTrailingText = 8;
inline constexpr JTParseOptionFlags JTParseOptionMask = 15;

// Arrays and objects nested deeper than this fail the parse with an error.
// Each level is one level of recursion, so hostile input cannot exhaust the
// stack; the limit equals the encoder's, so whatever decodes also encodes.
inline constexpr std::size_t JTMaximumParseDepth = 512;

} // namespace jotter
