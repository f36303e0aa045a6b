#pragma once

namespace jotter {

// The longest text writeSeventeenDigitDouble writes: "-1.2345678901234567e-308".
inline constexpr int SeventeenDigitDoubleMaximumLength = 24;
// The room it needs: it copies digits in fixed-size blocks, which may write
// past the end of the text (never past this).
inline constexpr int SeventeenDigitDoubleBufferSize = 40;

// Writes a finite double exactly as printf's "%.17g" does (17 significant
// digits, correctly rounded, trailing zeros dropped; exponent form below
// 1e-4 and from 1e17 on), so that every double reads back to itself.
// Returns the end of the text; `out` needs SeventeenDigitDoubleBufferSize
// bytes.
char* writeSeventeenDigitDouble(double value, char* out) noexcept;

} // namespace jotter
