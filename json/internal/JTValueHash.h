#pragma once

// The hash every string and number value carries, by which the token cache
// finds an object made earlier for an equal value. Equal values hash
// equally whichever way they were read (a string's escapes are decoded
// first); the bits are well mixed, so that the cache's item index, the low
// bits, spreads values that differ only in their last bytes.
//
// Strings are hashed sixteen bytes a step, each step one 64×64→128-bit
// multiplication folded to 64 bits, so the steps do not wait on one another
// byte by byte; numbers are their 8 value bytes and type, mixed twice.
//
// A document is untrusted: were the keys fixed, it could hold words built to
// meet them and make every value land on the same few items, so that every
// lookup misses. The state's key and the word key are therefore drawn at
// random once per process, and each step also keeps its inputs beside the
// product, so that no word, even one that meets a key, can wipe out what
// came before it. Hashes are never stored or sent, so they need not agree
// between processes.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include <unistd.h>

namespace jotter {

namespace valueHash {

inline constexpr std::uint64_t K0 = 0xA0761D6478BD642F;
inline constexpr std::uint64_t K2 = 0x8EBC6AF09C88C6E3;

struct Keys {
    std::uint64_t seed;      // the state before the first step
    std::uint64_t wordKey;   // crossed with the first word of every step
};

// Should the system have no entropy to give, fixed keys still hash
// correctly; only prepared documents are then harder to keep out.
inline Keys drawKeys() noexcept
{
    Keys drawn;
    if (getentropy(&drawn, sizeof drawn) == 0)
        return drawn;
    return {0x539C1505 ^ K0, 0xE7037ED1A0B428DB};
}

// Drawn while the program starts, so that hashing a value needs no check
// that they are there. A value hashed by another start-up routine before
// them (with zero keys) only misses the cache later; it is never wrong.
inline const Keys processKeys = drawKeys();

// The two halves of the 128-bit product folded together with both factors:
// a factor of zero leaves the other one, and with it the state, in the
// result instead of a zero.
inline std::uint64_t fold(std::uint64_t a, std::uint64_t b) noexcept
{
    unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    return a ^ b ^ static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
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
    const std::uint64_t wordKey = processKeys.wordKey;
    std::uint64_t hash = processKeys.seed;
    std::size_t left = length;
    for (; left > 16; left -= 16, p += 16)
        hash = fold(load8(p) ^ wordKey, load8(p + 8) ^ hash);
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
    hash = fold(a ^ wordKey, b ^ hash);
    return fold(hash ^ K2, length ^ K0);
}

inline std::uint64_t jt_hashNumber(std::uint64_t valueBits, unsigned type) noexcept
{
    using namespace valueHash;
    std::uint64_t hash = fold(valueBits ^ processKeys.wordKey, (std::uint64_t(type) << 32) ^ processKeys.seed);
    // A last step with fixed factors, as a string's: with a random factor
    // alone, one close to 1 modulo a power of two leaves the low bits (the
    // ones that pick an item) of nearby numbers nearly alike.
    return fold(hash ^ K2, K0);
}

} // namespace jotter
