#pragma once

#include "foundation/objects/Object.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

namespace foundation {

// One argument of format(): an integer, a floating value, a C text or an
// pointer (for "%p") or an
// object (for "%@", which prints the object's description, "(null)" for none).
class FormatArgument {
public:
    enum class Type { Signed, Unsigned, Double, Text, Object, Pointer };

    template <typename T>
        requires std::is_integral_v<T>
    FormatArgument(T value) noexcept
    {
        if constexpr (std::is_signed_v<T>) {
            type_ = Type::Signed;
            signed_ = value;
        } else {
            type_ = Type::Unsigned;
            unsigned_ = value;
        }
    }
    FormatArgument(double value) noexcept : type_(Type::Double), double_(value) {}
    FormatArgument(const char* text) noexcept : type_(Type::Text), text_(text) {}
    FormatArgument(const std::string& text) noexcept : type_(Type::Text), text_(text.c_str()) {}
    FormatArgument(const Object* object) noexcept : type_(Type::Object), object_(object) {}
    FormatArgument(const void* pointer) noexcept : type_(Type::Pointer), pointer_(pointer) {}
    FormatArgument(std::nullptr_t) noexcept : type_(Type::Object), object_(nullptr) {}
    template <typename T>
    FormatArgument(const Ref<T>& object) noexcept : type_(Type::Object), object_(object.get()) {}

    Type type() const noexcept { return type_; }
    std::int64_t asSigned() const noexcept;
    std::uint64_t asUnsigned() const noexcept;
    double asDouble() const noexcept;
    const char* text() const noexcept { return type_ == Type::Text ? text_ : nullptr; }
    const Object* object() const noexcept { return type_ == Type::Object ? object_ : nullptr; }
    const void* pointer() const noexcept { return type_ == Type::Pointer ? pointer_ : object(); }

private:
    Type type_;
    union {
        std::int64_t signed_;
        std::uint64_t unsigned_;
        double double_;
        const char* text_;
        const Object* object_;
        const void* pointer_;
    };
};

// printf-style formatting with the platform's "%@" directive added. Flags,
// width, precision ("*" included) and length modifiers work as in printf in
// the "C" locale, whatever the process's locale (numbers always have a
// decimal point and no grouping);
// "%%" is a percent sign. An argument of the wrong kind for its directive is
// converted, never read as raw memory; missing arguments print nothing.
std::string formatString(std::string_view format, std::initializer_list<FormatArgument> arguments);

template <typename... Arguments>
std::string format(std::string_view formatText, const Arguments&... arguments)
{
    return formatString(formatText, {FormatArgument(arguments)...});
}

} // namespace foundation
