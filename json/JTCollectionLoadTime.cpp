#include "json/JTCollectionLoadTime.h"

namespace jotter {

namespace {

JTObjCImpCache records;

// Runs during the library's static initialisation (this file is linked into
// every program that decodes, because the decoder reads the records), ahead
// of the program's ordinary static initialisers, so that even a decoder made
// by one of those finds the records written.
struct LoadTimeInitialiser {
    LoadTimeInitialiser() noexcept { jt_collectionClassLoadTimeInitialization(); }
};
[[gnu::init_priority(101)]] LoadTimeInitialiser loadTimeInitialiser;

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
