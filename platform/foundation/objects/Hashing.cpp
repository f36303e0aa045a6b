#include "foundation/objects/Hashing.h"

#include <cstring>

namespace foundation {

std::uint64_t hashBytes(const void* bytes, std::size_t length) noexcept
{
    constexpr std::uint64_t multiplier = 0x9E3779B97F4A7C15ull;
    const auto* p = static_cast<const unsigned char*>(bytes);
    std::uint64_t hash = length * multiplier;
    while (length >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        hash = (hash ^ mixBits(word)) * multiplier;
        p += 8;
        length -= 8;
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, p, length);
    hash = (hash ^ mixBits(tail ^ (length << 56))) * multiplier;
    return mixBits(hash);
}

} // namespace foundation
