#include "json/internal/JTDictionaryCapacities.h"

#include "foundation/objects/Exception.h"
#include "foundation/objects/Format.h"

#include <algorithm>
#include <cmath>

namespace jotter {

std::uint64_t _JTDictionaryCapacityForCount(std::uint64_t count)
{
    constexpr std::uint64_t largest = jt_dictionaryCapacities[jt_dictionaryCapacityCount - 1];
    // Judged in double precision before converting back, so that a huge
    // count is refused instead of overflowing the conversion.
    double target = std::floor(static_cast<double>(count) * 1.33);
    if (target > static_cast<double>(largest)) {
        foundation::raise(foundation::ExceptionName::Range,
            foundation::format("A dictionary of %llu pairs needs a hash table larger than the largest capacity (%llu).",
                static_cast<unsigned long long>(count), static_cast<unsigned long long>(largest)));
    }
    return *std::lower_bound(jt_dictionaryCapacities, jt_dictionaryCapacities + jt_dictionaryCapacityCount,
        static_cast<std::uint64_t>(target));
}

} // namespace jotter
