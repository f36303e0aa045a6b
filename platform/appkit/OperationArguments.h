#pragma once

#include "foundation/objects/Exception.h"
#include "foundation/objects/Object.h"
#include "foundation/objects/Format.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
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

// Text given as a template argument: an operation's selector, or what an
// argument of the wrong kind should have been. Its characters live as long
// as the program, so a view of them can stand in a table.
template <std::size_t Size>
struct Literal {
    constexpr Literal(const char (&text)[Size]) { std::copy_n(text, Size, characters); }
    constexpr std::string_view view() const { return {characters, Size - 1}; }
    constexpr const char* c_str() const { return characters; }
    char characters[Size];
};

// How a setter reads its argument (the failures are those of the helpers
// above: a wrong kind raises, naming the operation).
struct Text {
    static foundation::Ref<foundation::String> read(const foundation::Object& receiver, std::string_view operation,
                                                    foundation::Object* argument)
    {
        return stringOf(receiver, operation, argument);
    }
};
struct TextUTF8 {
    static std::string read(const foundation::Object& receiver, std::string_view operation,
                            foundation::Object* argument)
    {
        return std::string(stringOf(receiver, operation, argument)->utf8());
    }
};
struct Boolean {
    static bool read(const foundation::Object& receiver, std::string_view operation, foundation::Object* argument)
    {
        return numberOf(receiver, operation, argument).boolValue();
    }
};
struct Integer {
    static std::int64_t read(const foundation::Object& receiver, std::string_view operation,
                             foundation::Object* argument)
    {
        return numberOf(receiver, operation, argument).int64Value();
    }
};
struct Real {
    static double read(const foundation::Object& receiver, std::string_view operation, foundation::Object* argument)
    {
        return numberOf(receiver, operation, argument).doubleValue();
    }
};
// Any object or null, as given (a target, a delegate).
struct AnyObject {
    static foundation::Object* read(const foundation::Object&, std::string_view, foundation::Object* argument)
    {
        return argument;
    }
};
// An object of class T or null; `expected` names T in the message.
template <typename T, Literal expected>
struct Instance {
    static foundation::Ref<T> read(const foundation::Object& receiver, std::string_view operation,
                                   foundation::Object* argument)
    {
        return foundation::Ref<T>(objectOf<T>(receiver, operation, argument, expected.c_str()));
    }
};

namespace detail {
template <typename Member>
struct MemberOf;
template <typename Class, typename Result, typename Argument>
struct MemberOf<Result (Class::*)(Argument)> {
    using Type = Class;
};
template <typename Class, typename Result, typename Argument>
struct MemberOf<Result (Class::*)(Argument) noexcept> {
    using Type = Class;
};
} // namespace detail

// The table entry of a property's setter, its selector spelled once:
//   setter<"setTitle:", Text, &Button::setTitle>()
// reads the argument as Reading does and passes it to the receiver's member
// function (the receiver is of that member's class, as the table it stands
// in guarantees); the operation answers nil.
template <Literal selector, typename Reading, auto member>
foundation::OperationTable::Entry setter()
{
    using Receiver = typename detail::MemberOf<decltype(member)>::Type;
    return {selector.view(),
            [](foundation::Object& self, foundation::Object* argument) -> foundation::Ref<foundation::Object> {
                (static_cast<Receiver&>(self).*member)(Reading::read(self, selector.view(), argument));
                return nullptr;
            }};
}

} // namespace appkit::arguments
