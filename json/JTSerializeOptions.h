#pragma once

#include <cstddef>
#include <cstdint>

namespace jotter {

// How the JSON text is written. Bits other than these are ignored.
using JTSerializeOptionFlags = std::uint64_t;
inline constexpr JTSerializeOptionFlags JTSerializeOptionNone = 0;  // compact, raw UTF-8, slash unescaped
// Newlines, two-blank indentation, a blank after ":", dictionary keys sorted.
inline constexpr JTSerializeOptionFlags JTSerializeOptionPretty = 0x01;
// Characters above U+007F as "\u" escapes (surrogate pairs above U+FFFF).
inline constexpr JTSerializeOptionFlags JTSerializeOptionNonASCIIEscape = 0x02;
// The slash as backslash-slash.
inline constexpr JTSerializeOptionFlags JTSerializeOptionSlashEscape = 0x10;

// What a run returns (the low three bits) and what the root must be.
using JTEncodeOption = std::uint64_t;
inline constexpr JTEncodeOption JTEncodeOptionResultMask = 0x07;
inline constexpr JTEncodeOption JTEncodeOptionResultData = 1;    // a Data of UTF-8 text
inline constexpr JTEncodeOption JTEncodeOptionResultString = 2;  // a String
inline constexpr JTEncodeOption JTEncodeOptionCollectionObj = 0x08;  // root is an array or a dictionary
inline constexpr JTEncodeOption JTEncodeOptionStringObj = 0x10;      // root is a string
// The surrounding quotes of strings are left out (meant for a string root).
inline constexpr JTEncodeOption JTEncodeOptionStringObjTrimQuotes = 0x20;

// Arrays and dictionaries nested deeper than this are refused with an error:
// each level is one level of recursion, and the encoder must not run out of
// stack on a hostile or cyclic-by-formatter tree.
inline constexpr std::size_t JTMaximumNestingDepth = 512;

} // namespace jotter
