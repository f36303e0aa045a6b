#pragma once

#include <cstddef>
#include <cstdint>

namespace foundation {

// A fast 64-bit hash of a byte run with good mixing (every input bit
// affects every output bit), for strings and data.
std::uint64_t hashBytes(const void* bytes, std::size_t length) noexcept;

// Mixes a 64-bit value, for numbers and combined hashes.
constexpr std::uint64_t mixBits(std::uint64_t value) noexcept
{
    value ^= value >> 33;
    value *= 0xff51afd7ed558ccdull;
    value ^= value >> 33;
    value *= 0xc4ceb9fe1a85ec53ull;
    value ^= value >> 33;
    return value;
}

} // namespace foundation
