#include "json/JTCollectionRefusals.h"

#include "foundation/objects/Exception.h"
#include "foundation/objects/Format.h"

namespace jotter {

void jt_raisePrivateClass(const char* className)
{
    foundation::raise(foundation::ExceptionName::InvalidArgument,
        foundation::format("*** - [%s %s]: The %s class is private to Jotter and should not be used in this fashion.",
            className, "allocWithZone:", className));
}

void jt_raiseMutatingImmutable(const foundation::Object& collection, const char* selector)
{
    foundation::raise(foundation::ExceptionName::InternalInconsistency,
        foundation::format("*** -[%s %s]: mutating method sent to immutable object", collection.className(), selector));
}

} // namespace jotter
