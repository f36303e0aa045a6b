#pragma once

// What the library records once, while the program starts, for the decoder's
// parse states: the entry point they call to make the numbers that only an
// unsigned 64-bit integer can hold. Written by
// jt_collectionClassLoadTimeInitialization, a static initialiser of the
// library, and only read afterwards, so parse states on any thread may copy it
// without a lock.

#include "foundation/objects/Number.h"

#include <cstdint>

namespace jotter {

using JTUnsignedNumberFactory = foundation::Ref<foundation::Number> (*)(std::uint64_t value, char typeCode);

// The number-creation entry points a parse state copies and calls directly.
struct JTObjCImpCache {
    JTUnsignedNumberFactory initWithUnsignedLongLong = nullptr;
};

// The records; their entry points are null only before the initialiser ran.
const JTObjCImpCache& _jt_NSNumberImpCache() noexcept;

// Fills the records. It runs by itself before main; running it again
// writes the same values.
void jt_collectionClassLoadTimeInitialization() noexcept;

} // namespace jotter
