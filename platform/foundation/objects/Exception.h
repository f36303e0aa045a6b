#pragma once

#include <exception>
#include <string>

namespace foundation {

// The platform's exception names.
namespace ExceptionName {
inline constexpr const char* InvalidArgument = "NSInvalidArgumentException";
inline constexpr const char* Range = "NSRangeException";
inline constexpr const char* InternalInconsistency = "NSInternalInconsistencyException";
inline constexpr const char* Malloc = "NSMallocException";
inline constexpr const char* Generic = "NSGenericException";
} // namespace ExceptionName

// A programmer error, raised the way the platform raises NSException: a name
// that says which class of mistake it is and a reason that says what it was.
class Exception : public std::exception {
public:
    Exception(std::string name, std::string reason);

    const std::string& name() const noexcept { return name_; }
    const std::string& reason() const noexcept { return reason_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    std::string name_;
    std::string reason_;
    std::string what_;
};

[[noreturn]] void raise(const char* name, std::string reason);

// The assertion handler's report of a violated precondition:
// an internal-inconsistency exception "Invalid parameter not satisfying: <condition>".
[[noreturn]] void raiseInvalidParameter(const char* condition);

} // namespace foundation

#define FOUNDATION_PARAMETER_ASSERT(condition)                      \
    do {                                                            \
        if (!(condition)) [[unlikely]]                              \
            ::foundation::raiseInvalidParameter(#condition);        \
    } while (0)
