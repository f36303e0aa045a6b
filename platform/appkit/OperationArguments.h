#pragma once

#include "foundation/objects/Exception.h"
#include "foundation/objects/Format.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"

#include <string_view>

// Helpers for the by-name operations of the models: the argument arrives as
// a bare object and must be checked before it is used. A wrong kind is a
// programmer error, raised the way the platform raises it.
namespace appkit::arguments {

[[noreturn]] inline void raiseWrongKind(const foundation::Object& receiver, std::string_view operation,
                                        const foundation::Object* argument, const char* expected)
{
    foundation::raise(foundation::ExceptionName::InvalidArgument,
                      foundation::format("-[%s %s]: argument %@ is not %s", receiver.className(),
                                         std::string(operation), argument, expected));
}

// The argument as an object of class T; null stays null.
template <typename T>
T* objectOf(const foundation::Object& receiver, std::string_view operation, foundation::Object* argument,
            const char* expected)
{
    if (!argument)
        return nullptr;
    if (auto* typed = dynamic_cast<T*>(argument))
        return typed;
    raiseWrongKind(receiver, operation, argument, expected);
}

// A text argument; null reads as the empty string.
inline foundation::Ref<foundation::String> stringOf(const foundation::Object& receiver, std::string_view operation,
                                                    foundation::Object* argument)
{
    if (!argument)
        return foundation::Ref(foundation::String::empty());
    return foundation::Ref(objectOf<foundation::String>(receiver, operation, argument, "a string"));
}

// A number argument (booleans included); a missing one is a programmer error.
inline foundation::Number& numberOf(const foundation::Object& receiver, std::string_view operation,
                                    foundation::Object* argument)
{
    auto* number = objectOf<foundation::Number>(receiver, operation, argument, "a number");
    if (!number)
        raiseWrongKind(receiver, operation, argument, "a number");
    return *number;
}

inline foundation::Ref<foundation::Object> boolean(bool value)
{
    return foundation::Ref(foundation::Number::boolean(value));
}

} // namespace appkit::arguments
