#include "json/SeventeenDigitDouble.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace jotter {

namespace {

using UInt128 = unsigned __int128;

constexpr std::uint64_t powersOfTen[] = {1ull, 10ull, 100ull, 1000ull, 10000ull, 100000ull, 1000000ull,
    10000000ull, 100000000ull, 1000000000ull, 10000000000ull, 100000000000ull, 1000000000000ull,
    10000000000000ull, 100000000000000ull, 1000000000000000ull, 10000000000000000ull, 100000000000000000ull,
    1000000000000000000ull, 10000000000000000000ull};

constexpr std::uint64_t smallestSeventeenDigits = 10000000000000000ull;  // 10^16
constexpr std::uint64_t beyondSeventeenDigits = 100000000000000000ull;   // 10^17
constexpr int largestScale = 22;  // 10^22 * 2^53 still fits in 128 bits

constexpr UInt128 powerOfTen(int exponent)
{
    return exponent <= 19 ? UInt128(powersOfTen[exponent])
                          : UInt128(powersOfTen[19]) * powersOfTen[exponent - 19];
}

// mantissa * 2^binaryExponent * 10^scale rounded to an integer, half to even
// as printf rounds; 0 when it does not fit the exact 128-bit computation.
std::uint64_t scaledAndRounded(std::uint64_t mantissa, int binaryExponent, int scale)
{
    UInt128 product = UInt128(mantissa) * powerOfTen(scale);
    if (binaryExponent >= 0) {
        if (binaryExponent > 10 || (product >> (64 - binaryExponent)) != 0)
            return 0;
        return static_cast<std::uint64_t>(product << binaryExponent);
    }
    int shift = -binaryExponent;
    if (shift >= 128)
        return 0;
    UInt128 quotient = product >> shift;
    bool roundUp;
    if (shift < 64) {
        // The usual case (numbers of ordinary size): the dropped bits and
        // the half fit one word.
        std::uint64_t remainder = static_cast<std::uint64_t>(product) & ((1ull << shift) - 1);
        std::uint64_t half = 1ull << (shift - 1);
        roundUp = remainder > half || (remainder == half && (quotient & 1));
    } else {
        UInt128 remainder = product - (quotient << shift);
        UInt128 half = UInt128(1) << (shift - 1);
        roundUp = remainder > half || (remainder == half && (quotient & 1));
    }
    if (roundUp)
        ++quotient;
    if (quotient >> 64)
        return 0;
    return static_cast<std::uint64_t>(quotient);
}

// Per binary exponent p (values in [2^p, 2^(p+1))), the decimal exponent of
// the interval's low end, and the smallest mantissa (the 53-bit integer with
// its leading bit) whose value reaches the next power of ten: the interval
// holds at most one power of ten, so one comparison decides the exponent.
struct DecadeOfBinaryExponent {
    std::uint64_t nextDecadeMantissa;  // 2^53 when the interval holds no power of ten
    int exponent;
};

constexpr int smallestBinaryExponent = -20;  // 2^-20 < 10^-6
constexpr int largestBinaryExponent = 56;     // 2^57 > 10^17

constexpr UInt128 ceilingOfQuotient(UInt128 dividend, UInt128 divisor)
{
    return (dividend + divisor - 1) / divisor;
}

constexpr auto decades = [] {
    std::array<DecadeOfBinaryExponent, largestBinaryExponent - smallestBinaryExponent + 1> table {};
    for (int p = smallestBinaryExponent; p <= largestBinaryExponent; ++p) {
        int exponent = (p * 78913) >> 18;  // floor(p * log10(2)) in this range
        // The mantissa m reaches 10^(exponent + 1) when m * 2^(p - 52) >= it.
        int nextDecade = exponent + 1;
        UInt128 threshold;
        if (p >= 52)
            threshold = ceilingOfQuotient(powerOfTen(nextDecade), UInt128(1) << (p - 52));
        else if (nextDecade >= 0)
            threshold = powerOfTen(nextDecade) << (52 - p);
        else
            threshold = ceilingOfQuotient(UInt128(1) << (52 - p), powerOfTen(-nextDecade));
        UInt128 beyondMantissas = UInt128(1) << 53;
        table[p - smallestBinaryExponent] = {
            static_cast<std::uint64_t>(threshold < beyondMantissas ? threshold : beyondMantissas), exponent};
    }
    return table;
}();

// The 17 significant digits of a positive double and the decimal exponent
// of the first, when the exact computation covers it (1e-6 to 1e17, where
// nearly all real-world numbers are).
bool seventeenDigits(std::uint64_t bits, std::uint64_t& digits, int& exponent)
{
    int biasedExponent = static_cast<int>(bits >> 52);
    auto decadeIndex = static_cast<unsigned>(biasedExponent - 1023 - smallestBinaryExponent);
    if (decadeIndex >= decades.size())
        return false;  // also zero and subnormals
    std::uint64_t mantissa = (bits & ((1ull << 52) - 1)) | (1ull << 52);
    const DecadeOfBinaryExponent& decade = decades[decadeIndex];
    exponent = decade.exponent + (mantissa >= decade.nextDecadeMantissa);
    int scale = 16 - exponent;
    if (scale < 0 || scale > largestScale)
        return false;
    digits = scaledAndRounded(mantissa, biasedExponent - 1075, scale);
    if (digits == beyondSeventeenDigits) {
        // Rounded up into the next decade: 9.99...95 becomes 1.0.
        digits = smallestSeventeenDigits;
        ++exponent;
    }
    return true;
}

constexpr char digitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The four decimal digits of a value below 10^4.
void writeFourDigits(std::uint32_t value, char* out)
{
    std::memcpy(out, digitPairs + 2 * (value / 100), 2);
    std::memcpy(out + 2, digitPairs + 2 * (value % 100), 2);
}

// The eight decimal digits of a value below 10^8. Split in halves rather
// than by 100 four times over: the divisions then do not wait on each other.
void writeEightDigits(std::uint32_t value, char* out)
{
    writeFourDigits(value / 10000, out);
    writeFourDigits(value % 10000, out + 4);
}

// printf's %g layout of 17 digits with the first at `exponent`. The digits
// go out in blocks of fixed size (copies the compiler does inline), which
// may run past the text: the caller's buffer has room for that.
char* layOut(std::uint64_t digits, int exponent, char* out)
{
    char text[17 + 16];
    std::memset(text + 17, '0', 16);
    auto high = static_cast<std::uint32_t>(digits / 100000000);  // nine digits
    text[0] = static_cast<char>('0' + high / 100000000);
    writeEightDigits(high % 100000000, text + 1);
    writeEightDigits(static_cast<std::uint32_t>(digits % 100000000), text + 9);
    int length = 17;
    while (length > 1 && text[length - 1] == '0')
        --length;

    if (exponent < -4) {
        *out++ = text[0];
        if (length > 1) {
            *out++ = '.';
            std::memcpy(out, text + 1, 16);
            out += length - 1;
        }
        *out++ = 'e';
        *out++ = '-';
        int magnitude = -exponent;
        if (magnitude >= 100)
            *out++ = static_cast<char>('0' + magnitude / 100);
        *out++ = static_cast<char>('0' + magnitude / 10 % 10);
        *out++ = static_cast<char>('0' + magnitude % 10);
        return out;
    }
    if (exponent < 0) {
        std::memcpy(out, "0.000", 5);  // up to three zeros after the point
        out += 2 + (-exponent - 1);
        std::memcpy(out, text, 17);
        return out + length;
    }
    int integerDigits = exponent + 1;
    std::memcpy(out, text, 17);
    out += integerDigits;
    if (length > integerDigits) {
        *out++ = '.';
        std::memcpy(out, text + integerDigits, 16);
        out += length - integerDigits;
    }
    return out;
}

} // namespace

char* writeSeventeenDigitDouble(double value, char* out) noexcept
{
    auto bits = std::bit_cast<std::uint64_t>(value);
    bool negative = bits >> 63;
    bits &= ~(1ull << 63);
    if (bits == 0) {
        if (negative)
            *out++ = '-';
        *out++ = '0';
        return out;
    }
    std::uint64_t digits;
    int exponent;
    if (!seventeenDigits(bits, digits, exponent))
        return std::to_chars(out, out + SeventeenDigitDoubleMaximumLength, value, std::chars_format::general, 17).ptr;
    if (negative)
        *out++ = '-';
    return layOut(digits, exponent, out);
}

} // namespace jotter
