#include "foundation/objects/Exception.h"

namespace foundation {

Exception::Exception(std::string name, std::string reason)
    : name_(std::move(name)), reason_(std::move(reason)), what_(name_ + ": " + reason_)
{
}

void raise(const char* name, std::string reason)
{
    throw Exception(name, std::move(reason));
}

void raiseInvalidParameter(const char* condition)
{
    raise(ExceptionName::InternalInconsistency, std::string("Invalid parameter not satisfying: ") + condition);
}

} // namespace foundation
