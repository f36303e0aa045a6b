#include "json/internal/DecimalToDouble.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace jotter {

namespace {

constexpr int SmallestPowerOfTen = -342;  // below, any 19-digit significand rounds to zero
constexpr int LargestPowerOfTen = 308;    // above, any non-zero significand overflows

// ---- The table of powers of five ---------------------------------------------
//
// For each q in [-342, 308], the 128 most significant bits of 5^q, with its
// highest bit set: truncated for q ≥ 0, and for q < 0 taken from
// floor(2^b / 5^-q) + 1, so that the approximation is never below the true
// value. Computed at compile time with a small big-number type.

constexpr int BigLimbs = 56;  // 1792 bits: 2^1791 / 5^342 keeps the 128 + 795 bits the smallest power needs
constexpr int BigBits = BigLimbs * 32;

using Bits128 = unsigned __int128;

// Only the operations the table needs, over the limbs in use, so that the
// compilers' budgets for constant evaluation suffice.
struct Big {
    std::array<std::uint32_t, BigLimbs> limb{};  // little-endian
    int used = 0;                                // limbs below this may be non-zero

    constexpr int bitLength() const
    {
        for (int i = used - 1; i >= 0; --i) {
            if (limb[i])
                return i * 32 + 32 - std::countl_zero(limb[i]);
        }
        return 0;
    }
    constexpr void multiplyBy(std::uint32_t factor)
    {
        std::uint64_t carry = 0;
        for (int i = 0; i < used; ++i) {
            std::uint64_t product = std::uint64_t(limb[i]) * factor + carry;
            limb[i] = static_cast<std::uint32_t>(product);
            carry = product >> 32;
        }
        if (carry)
            limb[used++] = static_cast<std::uint32_t>(carry);
    }
    constexpr void divideBy(std::uint32_t divisor)
    {
        std::uint64_t remainder = 0;
        for (int i = used - 1; i >= 0; --i) {
            std::uint64_t current = (remainder << 32) | limb[i];
            limb[i] = static_cast<std::uint32_t>(current / divisor);
            remainder = current % divisor;
        }
        while (used > 0 && limb[used - 1] == 0)
            --used;
    }
    constexpr std::uint32_t limbAt(int index) const { return index >= 0 && index < used ? limb[index] : 0; }
    // The 32 bits from bit `low` up (zeros below bit 0).
    constexpr std::uint32_t bitsFrom(int low) const
    {
        int index = low >= 0 ? low / 32 : -((-low + 31) / 32);
        int offset = low - index * 32;
        std::uint64_t pair = (std::uint64_t(limbAt(index + 1)) << 32) | limbAt(index);
        return static_cast<std::uint32_t>(pair >> offset);
    }
    constexpr Bits128 bits128From(int low) const
    {
        Bits128 window = 0;
        for (int word = 3; word >= 0; --word)
            window = (window << 32) | bitsFrom(low + 32 * word);
        return window;
    }
    // Whether the bits from `low` up to `high` are all ones.
    constexpr bool allOnes(int low, int high) const
    {
        for (int bit = low; bit < high; bit += 32) {
            std::uint32_t mask = high - bit >= 32 ? 0xFFFFFFFF : (1u << (high - bit)) - 1;
            if ((bitsFrom(bit) & mask) != mask)
                return false;
        }
        return true;
    }
};

struct Power128 {
    std::uint64_t high;
    std::uint64_t low;
};

constexpr Power128 split(Bits128 value)
{
    return {static_cast<std::uint64_t>(value >> 64), static_cast<std::uint64_t>(value)};
}

constexpr std::array<Power128, LargestPowerOfTen - SmallestPowerOfTen + 1> powersOfFive = [] {
    std::array<Power128, LargestPowerOfTen - SmallestPowerOfTen + 1> table{};
    Big power;  // 5^q for q = 0, 1, ...: its top 128 bits, truncated
    power.limb[0] = 1;
    power.used = 1;
    for (int q = 0; q <= LargestPowerOfTen; ++q) {
        table[q - SmallestPowerOfTen] = split(power.bits128From(power.bitLength() - 128));
        power.multiplyBy(5);
    }
    Big reciprocal;  // floor(2^(BigBits - 1) / 5^p) for p = 1, 2, ...
    reciprocal.limb[BigLimbs - 1] = 1u << 31;
    reciprocal.used = BigLimbs;
    Big fivePower;
    fivePower.limb[0] = 1;
    fivePower.used = 1;
    for (int p = 1; p <= -SmallestPowerOfTen; ++p) {
        reciprocal.divideBy(5);
        fivePower.multiplyBy(5);
        int z = fivePower.bitLength();  // 2^z > 5^p > 2^(z-1)
        int b = p <= 27 ? z + 127 : 2 * z + 128;
        // floor(2^b / 5^p) is the reciprocal from bit `shift` up; plus one,
        // then its top 128 bits.
        int shift = BigBits - 1 - b;
        int length = reciprocal.bitLength() - shift;
        int low = std::max(shift, shift + length - 128);
        Bits128 window = reciprocal.bits128From(low);
        if (reciprocal.allOnes(shift, low)) {  // the one carries into the window
            window += 1;
            if (window == 0)
                window = Bits128(1) << 127;
        }
        table[-p - SmallestPowerOfTen] = split(window);
    }
    return table;
}();

static_assert(powersOfFive[0 - SmallestPowerOfTen].high == 0x8000000000000000 && powersOfFive[0 - SmallestPowerOfTen].low == 0);
static_assert(powersOfFive[-1 - SmallestPowerOfTen].high == 0xCCCCCCCCCCCCCCCC
    && powersOfFive[-1 - SmallestPowerOfTen].low == 0xCCCCCCCCCCCCCCCD);
static_assert(powersOfFive[0].high == 0xEEF453D6923BD65A && powersOfFive[0].low == 0x113FAA2906A13B3F);

// ---- Conversion ---------------------------------------------------------------

constexpr std::array<double, 23> exactPowersOfTen = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

constexpr int MantissaBits = 52;
constexpr int ExponentBias = 1023;
constexpr std::uint64_t InfiniteExponent = 0x7FF;

struct Product128 {
    std::uint64_t high;
    std::uint64_t low;
};

inline Product128 multiply(std::uint64_t a, std::uint64_t b) noexcept
{
    unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    return {static_cast<std::uint64_t>(product >> 64), static_cast<std::uint64_t>(product)};
}

// floor(log2(10^q)) + 63, for |q| ≤ 350.
constexpr int binaryExponentOfPowerOfTen(int q) noexcept
{
    return (((152170 + 65536) * q) >> 16) + 63;
}

// The biased exponent and 52 stored bits of the nearest double to w × 10^q,
// w ≠ 0, q within the table.
std::uint64_t eiselLemire(std::uint64_t w, int q) noexcept
{
    int leadingZeros = std::countl_zero(w);
    w <<= leadingZeros;
    const Power128& power = powersOfFive[q - SmallestPowerOfTen];
    Product128 product = multiply(w, power.high);
    // 55 bits decide the rounding; when the bits below them are all ones,
    // the low half of the power may carry into them.
    constexpr std::uint64_t BelowPrecision = 0xFFFFFFFFFFFFFFFF >> (MantissaBits + 3);
    if ((product.high & BelowPrecision) == BelowPrecision) {
        Product128 second = multiply(w, power.low);
        product.low += second.high;
        if (second.high > product.low)
            ++product.high;
    }
    int upperBit = static_cast<int>(product.high >> 63);
    int shift = upperBit + 64 - MantissaBits - 3;
    std::uint64_t mantissa = product.high >> shift;
    int power2 = binaryExponentOfPowerOfTen(q) + upperBit - leadingZeros + ExponentBias;
    if (power2 <= 0) {  // subnormal, or zero
        if (-power2 + 1 >= 64)
            return 0;
        mantissa >>= -power2 + 1;
        mantissa += mantissa & 1;
        mantissa >>= 1;
        // Rounding up may have made it the smallest normal number.
        return mantissa < (std::uint64_t(1) << MantissaBits) ? mantissa : (std::uint64_t(1) << MantissaBits);
    }
    // Exactly halfway between two doubles (possible only for small
    // exponents, where the product is exact): round to even, not up.
    if (product.low <= 1 && q >= -4 && q <= 23 && (mantissa & 3) == 1 && (mantissa << shift) == product.high)
        mantissa &= ~std::uint64_t(1);
    mantissa += mantissa & 1;
    mantissa >>= 1;
    if (mantissa >= (std::uint64_t(2) << MantissaBits)) {
        mantissa = std::uint64_t(1) << MantissaBits;
        ++power2;
    }
    mantissa &= ~(std::uint64_t(1) << MantissaBits);
    if (static_cast<std::uint64_t>(power2) >= InfiniteExponent)
        return InfiniteExponent << MantissaBits;
    return mantissa | (static_cast<std::uint64_t>(power2) << MantissaBits);
}

} // namespace

double jt_decimalToDouble(std::uint64_t significand, std::int64_t exponent, bool negative) noexcept
{
    double value;
    if (significand <= (std::uint64_t(1) << 53) && exponent >= -22 && exponent <= 22) {
        value = static_cast<double>(significand);
        value = exponent < 0 ? value / exactPowersOfTen[-exponent] : value * exactPowersOfTen[exponent];
        return negative ? -value : value;
    }
    std::uint64_t bits;
    if (significand == 0 || exponent < SmallestPowerOfTen)
        bits = 0;
    else if (exponent > LargestPowerOfTen)
        bits = InfiniteExponent << MantissaBits;
    else
        bits = eiselLemire(significand, static_cast<int>(exponent));
    bits |= std::uint64_t(negative) << 63;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace jotter
