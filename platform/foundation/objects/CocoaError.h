#pragma once

#include "foundation/objects/Error.h"

#include <string_view>
#include <utility>
#include <vector>

namespace foundation {

inline constexpr std::string_view CocoaErrorDomain = "NSCocoaErrorDomain";
inline constexpr std::string_view POSIXErrorDomain = "NSPOSIXErrorDomain";

// User-info keys of file errors.
inline constexpr std::string_view UnderlyingErrorKey = "NSUnderlyingError";
inline constexpr std::string_view SourceFilePathErrorKey = "NSSourceFilePathErrorKey";
inline constexpr std::string_view DestinationFilePathErrorKey = "NSDestinationFilePath";
inline constexpr std::string_view StringEncodingErrorKey = "NSStringEncoding";

// The platform's file error codes in the Cocoa domain.
namespace CocoaError {
inline constexpr long FileNoSuchFile = 4;
inline constexpr long FileReadUnknown = 256;
inline constexpr long FileReadNoPermission = 257;
inline constexpr long FileReadNoSuchFile = 260;
inline constexpr long FileReadInapplicableStringEncoding = 261;
inline constexpr long FileReadUnsupportedScheme = 262;
inline constexpr long FileWriteUnknown = 512;
inline constexpr long FileWriteNoPermission = 513;
inline constexpr long FileWriteFileExists = 516;
inline constexpr long FileWriteUnsupportedScheme = 518;
inline constexpr long FileWriteOutOfSpace = 640;
} // namespace CocoaError

// A platform string for a file-system path or a message naming one. Paths
// need not be UTF-8; their other bytes are shown percent-escaped.
[[nodiscard]] Ref<String> pathString(std::string_view bytes);

// An error in the POSIX domain for an errno value, described by strerror.
[[nodiscard]] Ref<Error> posixError(int errorNumber);

// A Cocoa-domain error with its localized description, the extra user-info
// entries given and, when errorNumber is not 0, the underlying POSIX error.
[[nodiscard]] Ref<Error> cocoaError(long code, std::string_view description,
                                    const std::vector<std::pair<std::string_view, Ref<Object>>>& userInfo,
                                    int errorNumber = 0);

// Stores `error` through an optional out-parameter.
inline void report(Ref<Error>* out, Ref<Error> error)
{
    if (out)
        *out = std::move(error);
}

} // namespace foundation
