#pragma once

#include "foundation/objects/Error.h"

#include <string_view>

namespace foundation {

class URL;

inline constexpr std::string_view URLErrorDomain = "NSURLErrorDomain";
// User-info keys of URL loading errors.
inline constexpr std::string_view URLErrorFailingURLStringKey = "NSErrorFailingURLStringKey";
inline constexpr std::string_view URLErrorFailingURLKey = "NSErrorFailingURLKey";

// The platform's URL loading error codes (the subset this layer produces).
namespace URLErrorCode {
inline constexpr long Unknown = -1;
inline constexpr long Cancelled = -999;
inline constexpr long BadURL = -1000;
inline constexpr long TimedOut = -1001;
inline constexpr long UnsupportedURL = -1002;
inline constexpr long CannotFindHost = -1003;
inline constexpr long CannotConnectToHost = -1004;
inline constexpr long NetworkConnectionLost = -1005;
inline constexpr long HTTPTooManyRedirects = -1007;
inline constexpr long BadServerResponse = -1011;
inline constexpr long DataLengthExceedsMaximum = -1103;
inline constexpr long SecureConnectionFailed = -1200;
inline constexpr long ServerCertificateUntrusted = -1202;
inline constexpr long CannotCreateFile = -3000;
inline constexpr long CannotWriteToFile = -3003;
} // namespace URLErrorCode

// An error of the URL loading domain with the platform's description for the
// code and the failing URL in its user info. `detail`, when given, is kept
// under "NSDebugDescription" (what the transport itself said).
[[nodiscard]] Ref<Error> makeURLError(long code, URL* failingURL, std::string_view detail = {});

} // namespace foundation
