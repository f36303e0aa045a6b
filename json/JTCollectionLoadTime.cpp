#include "json/JTCollectionLoadTime.h"

namespace jotter {

namespace {

JTObjCImpCache records;

// Runs during the library's static initialisation: this file is linked into
// every program that decodes, because the decoder reads the records.
[[maybe_unused]] const bool initialisedAtLoadTime = (jt_collectionClassLoadTimeInitialization(), true);

} // namespace

const JTObjCImpCache& _jt_NSNumberImpCache() noexcept
{
    return records;
}

void jt_collectionClassLoadTimeInitialization() noexcept
{
    records.initWithUnsignedLongLong = &foundation::Number::withUnsigned;
}

} // namespace jotter
