#pragma once

// Forced into every file of the fuzz build. Debian 12's clang 14 lacks the
// builtin that libstdc++ 12's <source_location> needs, so that header comes
// out empty; this fills in the same class from the older builtins, which is
// all the debug checks ask of it. current() is constexpr, not consteval:
// clang 14 refuses a consteval function as a default argument. GCC builds
// never see this file.
#include <source_location>

#ifndef __cpp_lib_source_location
#include <cstdint>

namespace std {

struct source_location {
    static constexpr source_location current(const char* file = __builtin_FILE(),
        const char* function = __builtin_FUNCTION(), std::uint_least32_t line = __builtin_LINE()) noexcept
    {
        source_location where;
        where.file_ = file;
        where.function_ = function;
        where.line_ = line;
        return where;
    }
    constexpr std::uint_least32_t line() const noexcept { return line_; }
    constexpr std::uint_least32_t column() const noexcept { return 0; }
    constexpr const char* file_name() const noexcept { return file_; }
    constexpr const char* function_name() const noexcept { return function_; }

private:
    const char* file_ = "";
    const char* function_ = "";
    std::uint_least32_t line_ = 0;
};

} // namespace std
#endif
