#include "json/internal/SeventeenDigitDouble.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace jotter {

namespace {

using UInt128 = unsigned __int128;

static_assert(std::endian::native == std::endian::little, "the digit words hold the first digit in their lowest byte");

// The doubles written here rather than by the library: those in
// [2^-36, 2^56), about 1.5e-11 to 7.2e16, where nearly all real-world
// numbers are. Within it the 17 digits are mantissa * 10^scale * 2^binaryExponent
// with a scale of 0 to 27; 10^scale * 2^binaryExponent is 5^scale *
// 2^(binaryExponent + scale), and 5^27 still fits a word, so one 64-bit
// multiplication gives the exact product to round.
constexpr int smallestPowerOfTwo = -36;
constexpr int largestPowerOfTwo = 55;

constexpr UInt128 powerOf(UInt128 base, int exponent)
{
    UInt128 power = 1;
    while (exponent-- > 0)
        power *= base;
    return power;
}

constexpr UInt128 ceilingOfQuotient(UInt128 dividend, UInt128 divisor)
{
    return (dividend + divisor - 1) / divisor;
}

// What the doubles in [2^p, 2^(p+1)) need: the interval holds at most one
// power of ten, so comparing the mantissa (the 53-bit integer with its
// leading bit) with the one that reaches it decides the decimal exponent,
// and both candidate scales are at hand before that comparison is done.
struct BinaryDecade {
    std::uint64_t nextDecadeMantissa;  // 2^53 when the interval holds no power of ten
    std::uint64_t powersOfFive[2];     // for the lower exponent and for the next one
    int exponent;                      // decimal exponent of the interval's low end
    int shift;                         // bits dropped from the product, at the lower exponent
};

constexpr auto binaryDecades = [] {
    std::array<BinaryDecade, largestPowerOfTwo - smallestPowerOfTwo + 1> table {};
    for (int p = smallestPowerOfTwo; p <= largestPowerOfTwo; ++p) {
        int exponent = (p * 78913) >> 18;  // floor(p * log10(2)) in this range
        // The mantissa m reaches 10^(exponent + 1) when m * 2^(p - 52) >= it.
        int nextDecade = exponent + 1;
        UInt128 threshold;
        if (p >= 52)
            threshold = ceilingOfQuotient(powerOf(10, nextDecade), UInt128(1) << (p - 52));
        else if (nextDecade >= 0)
            threshold = powerOf(10, nextDecade) << (52 - p);
        else
            threshold = ceilingOfQuotient(UInt128(1) << (52 - p), powerOf(10, -nextDecade));
        UInt128 beyondMantissas = UInt128(1) << 53;
        int scale = 16 - exponent;
        table[p - smallestPowerOfTwo] = {
            static_cast<std::uint64_t>(threshold < beyondMantissas ? threshold : beyondMantissas),
            {static_cast<std::uint64_t>(powerOf(5, scale)), static_cast<std::uint64_t>(powerOf(5, scale - 1))},
            exponent, 52 - p - scale};
    }
    return table;
}();

// The 17 significant digits of a positive double and the decimal exponent
// of the first, for the doubles in the range above.
bool seventeenDigits(std::uint64_t bits, std::uint64_t& digits, int& exponent)
{
    auto index = static_cast<unsigned>((bits >> 52) - (1023 + smallestPowerOfTwo));
    if (index >= binaryDecades.size())
        return false;  // also zero and subnormals
    std::uint64_t mantissa = (bits & ((1ull << 52) - 1)) | (1ull << 52);
    const BinaryDecade& decade = binaryDecades[index];
    bool nextDecade = mantissa >= decade.nextDecadeMantissa;
    exponent = decade.exponent + nextDecade;
    UInt128 product = UInt128(mantissa) * decade.powersOfFive[nextDecade];
    int shift = decade.shift + nextDecade;
    if (shift <= 0) {
        // From about 2^51 on the value times 10^scale is an integer.
        digits = static_cast<std::uint64_t>(product) << -shift;
        return true;
    }
    // Here 0 < shift < 64. Round half to even, as printf does: the dropped
    // bits, moved to the top of a word, plus just under a half (a half when
    // the kept part is odd) carry out exactly when the kept part rounds up.
    auto low = static_cast<std::uint64_t>(product);
    auto high = static_cast<std::uint64_t>(product >> 64);
    digits = low >> shift | high << (64 - shift);
    std::uint64_t dropped = low << (64 - shift);
    std::uint64_t sum;
    digits += __builtin_add_overflow(dropped, (1ull << 63) - 1 + (digits & 1), &sum);
    // No double in this range lies close enough below a power of ten to
    // round up into the next decade (the closest one that does is the
    // double nearest 10^-14, just below it), so the digits stay below 10^17.
    return true;
}

// The eight digits of a value below 10^8 as text in one word, the first
// digit in the lowest byte. The value is split into halves, quarters and
// single digits in parallel lanes of the word, dividing by multiplying with
// reciprocals that are exact for the lanes' ranges (10486 / 2^20 for /100
// below 10^4, 103 / 2^10 for /10 below 100) rather than by a table walk.
std::uint64_t eightDigits(std::uint32_t value)
{
    std::uint64_t halves = value / 10000 | std::uint64_t(value % 10000) << 32;
    std::uint64_t hundreds = (halves * 10486 >> 20) & 0x0000007F0000007Full;
    std::uint64_t quarters = hundreds | (halves - hundreds * 100) << 16;
    std::uint64_t tens = (quarters * 103 >> 10) & 0x000F000F000F000Full;
    return (tens | (quarters - tens * 10) << 8) + 0x3030303030303030ull;
}

void storeDigits(char* out, UInt128 text)
{
    std::memcpy(out, &text, sizeof text);
}

// printf's %g layout of 17 digits with the first at `exponent`. The text is
// stored from registers in blocks of fixed size, which may run past its end:
// the caller's buffer has room for that.
char* layOut(std::uint64_t digits, int exponent, char* out)
{
    auto upperNine = static_cast<std::uint32_t>(digits / 100000000);
    char first = static_cast<char>('0' + upperNine / 100000000);
    // The other sixteen digits, the second in the lowest byte.
    UInt128 rest = eightDigits(upperNine % 100000000)
        | UInt128(eightDigits(static_cast<std::uint32_t>(digits % 100000000))) << 64;
    // Trailing zeros are the top bytes equal to '0'.
    constexpr std::uint64_t asciiZeros = 0x3030303030303030ull;
    auto restUpper = static_cast<std::uint64_t>(rest >> 64) ^ asciiZeros;
    auto restLower = static_cast<std::uint64_t>(rest) ^ asciiZeros;
    int length = restUpper ? 17 - (std::countl_zero(restUpper) >> 3)
                           : 9 - (std::countl_zero(restLower) >> 3);  // 1 when all are zero

    if (exponent >= 0) {
        // The point goes after `integerDigits` digits, when a fraction remains.
        int integerDigits = exponent + 1;
        *out = first;
        storeDigits(out + 1, rest);
        if (length <= integerDigits)
            return out + integerDigits;
        out[integerDigits] = '.';
        storeDigits(out + integerDigits + 1, rest >> (8 * exponent));
        return out + length + 1;
    }
    if (exponent >= -4) {
        std::memcpy(out, "0.000", 5);
        out += 1 - exponent;  // past "0." and the zeros after it
        *out = first;
        storeDigits(out + 1, rest);
        return out + length;
    }
    *out = first;
    if (length > 1) {
        out[1] = '.';
        storeDigits(out + 2, rest);
        out += length;
    }
    out[1] = 'e';
    out[2] = '-';
    out[3] = static_cast<char>('0' + -exponent / 10);
    out[4] = static_cast<char>('0' + -exponent % 10);
    return out + 5;
}

} // namespace

char* writeSeventeenDigitDouble(double value, char* out) noexcept
{
    auto bits = std::bit_cast<std::uint64_t>(value);
    std::uint64_t digits;
    int exponent;
    if (!seventeenDigits(bits & ~(1ull << 63), digits, exponent))
        return std::to_chars(out, out + SeventeenDigitDoubleMaximumLength, value, std::chars_format::general, 17).ptr;
    *out = '-';
    out += bits >> 63;
    return layOut(digits, exponent, out);
}

} // namespace jotter
