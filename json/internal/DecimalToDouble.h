#pragma once

// The double nearest to a decimal number, ties to even: the value strtod
// gives in the "C" locale, without text, a locale or a NUL terminator.
//
// The decimal is significand × 10^exponent with an exact significand of at
// most 19 digits (any uint64_t). Results out of range come back as they
// round: infinity for too large, zero (of the sign) for too small.
//
// Two routes, each exact: when the significand and the power of ten are both
// exact doubles (significand ≤ 2^53, |exponent| ≤ 22) one multiplication or
// division rounds once, correctly. Otherwise the significand is multiplied
// by a 128-bit truncation of 5^exponent and the rounding read off the
// product (the Eisel–Lemire method); with a 64-bit significand the 128 bits
// always decide the rounding, so no slower fallback is needed.

#include <cstdint>

namespace jotter {

double jt_decimalToDouble(std::uint64_t significand, std::int64_t exponent, bool negative) noexcept;

} // namespace jotter
