#pragma once

// The hash every string and number value carries, by which the token cache
// finds an object made earlier for an equal value. Equal values hash
// equally whichever way they were read (a string's escapes are decoded
// first); the bits are well mixed, so that the cache's item index, the low
// bits, spreads values that differ only in their last bytes.
//
// Strings are hashed sixteen bytes a step, each step one 64×64→128-bit
// multiplication folded to 64 bits, so the steps do not wait on one another
// byte by byte; numbers are their 8 value bytes and type, mixed once.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace jotter {

namespace valueHash {

inline constexpr std::uint64_t Seed = 0x539C1505;
inline constexpr std::uint64_t K0 = 0xA0761D6478BD642F;
inline constexpr std::uint64_t K1 = 0xE7037ED1A0B428DB;
inline constexpr std::uint64_t K2 = 0x8EBC6AF09C88C6E3;

// The two halves of the 128-bit product, folded.
inline std::uint64_t fold(std::uint64_t a, std::uint64_t b) noexcept
{
    unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
}

inline std::uint64_t load8(const unsigned char* p) noexcept
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

inline std::uint64_t load4(const unsigned char* p) noexcept
{
    std::uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

} // namespace valueHash

inline std::uint64_t jt_hashBytes(const unsigned char* p, std::size_t length) noexcept
{
    using namespace valueHash;
    std::uint64_t hash = Seed ^ K0;
    std::size_t left = length;
    for (; left > 16; left -= 16, p += 16)
        hash = fold(load8(p) ^ K1, load8(p + 8) ^ hash);
    // The last 1 to 16 bytes, read as two (possibly overlapping) words.
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    if (left > 8) {
        a = load8(p);
        b = load8(p + left - 8);
    } else if (left >= 4) {
        a = load4(p);
        b = load4(p + left - 4);
    } else if (left > 0) {
        a = (std::uint64_t(p[0]) << 16) | (std::uint64_t(p[left / 2]) << 8) | p[left - 1];
    }
    hash = fold(a ^ K1, b ^ hash);
    return fold(hash ^ K2, length ^ K0);
}

inline std::uint64_t jt_hashNumber(std::uint64_t valueBits, unsigned type) noexcept
{
    using namespace valueHash;
    return fold(valueBits ^ K1, (std::uint64_t(type) << 32) ^ K2);
}

} // namespace jotter
