#pragma once

#include <string_view>

namespace jotter {

// The domain of every error the library reports for bad input; the
// localized description holds the message. Only the first error of an
// encoding run or a parse is kept.
inline constexpr std::string_view JTErrorDomain = "JTErrorDomain";
inline constexpr long JTErrorCode = -1;

// User-info keys of a parse error: the byte offset and the line (counting
// from 1) at which the parse failed, both unsigned numbers.
inline constexpr std::string_view JTAtIndexKey = "JTAtIndexKey";
inline constexpr std::string_view JTLineNumberKey = "JTLineNumberKey";

} // namespace jotter
