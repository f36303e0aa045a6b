#pragma once

#include <cstddef>
#include <cstdint>

namespace jotter {

// The table sizes a JTDictionary may have, ascending; the dictionary grows
// only along this table.
inline constexpr std::size_t jt_dictionaryCapacityCount = 40;
inline constexpr std::uint64_t jt_dictionaryCapacities[jt_dictionaryCapacityCount] = {
    0, 3, 7, 13, 23, 41, 71, 127, 191, 251, 383, 631, 1087, 1723, 2803, 4523, 7351, 11959, 19447, 31231,
    50683, 81919, 132607, 214519, 346607, 561109, 907759, 1468927, 2376191, 3845119, 6221311, 10066421,
    16287743, 26354171, 42641881, 68996069, 111638519, 180634607, 292272623, 472907251,
};

// The table size for `count` pairs: the first capacity of at least
// floor(count × 1.33). Rounding down lets a table fill completely (3 pairs
// in 3 slots). A count whose target is beyond the last capacity raises
// NSRangeException: no dictionary may hold it.
std::uint64_t _JTDictionaryCapacityForCount(std::uint64_t count);

} // namespace jotter
