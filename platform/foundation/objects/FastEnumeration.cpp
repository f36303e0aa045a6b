#include "foundation/objects/FastEnumeration.h"

#include "foundation/objects/Array.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Exception.h"
#include "foundation/objects/Format.h"

namespace foundation {

namespace {

std::size_t countByEnumerating(const Object& collection, FastEnumerationState& state, Object** buffer, std::size_t length)
{
    if (collection.isArray())
        return static_cast<const Array&>(collection).countByEnumerating(state, buffer, length);
    if (collection.isDictionary())
        return static_cast<const Dictionary&>(collection).countByEnumerating(state, buffer, length);
    raise(ExceptionName::InvalidArgument,
          format("-[%s countByEnumeratingWithState:objects:count:]: unrecognized selector sent to instance %p",
                 collection.className(), static_cast<const void*>(&collection)));
}

} // namespace

void raiseMutatedWhileEnumerating(const Object& collection)
{
    raise(ExceptionName::Generic, format("*** Collection <%s: %p> was mutated while being enumerated.",
                                         collection.className(), static_cast<const void*>(&collection)));
}

FastEnumeration::Iterator FastEnumeration::begin()
{
    if (!fetch())
        return end();
    initialMutations_ = *state_.mutationsPtr;
    return Iterator(this);
}

bool FastEnumeration::fetch()
{
    batchCount_ = countByEnumerating(collection_, state_, buffer_, BatchSize);
    return batchCount_ != 0;
}

FastEnumeration::Iterator& FastEnumeration::Iterator::operator++()
{
    FastEnumeration& owner = *owner_;
    if (*owner.state_.mutationsPtr != owner.initialMutations_)
        raiseMutatedWhileEnumerating(owner.collection_);
    if (++index_ < owner.batchCount_)
        return *this;
    index_ = 0;
    if (!owner.fetch())
        owner_ = nullptr;
    return *this;
}

} // namespace foundation
