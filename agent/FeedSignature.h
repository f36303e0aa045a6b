#pragma once

#include "agent/SignatureFile.h"
#include "agent/UpdateTrust.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Whether a feed's body may be believed: its signature verifies under the
// trust's key for the name "data.json", its trusted comment carries the
// signing time, that time is not before the newest one accepted for this
// address (an older feed replayed), and, with a maximum age, not longer ago
// than that before `now` (seconds since 1970; a feed frozen in time).
// None when it may, else the reason, as a phrase for the refusal line. The
// caller remembers the time of a feed it accepts (rememberFeedTimestamp).
std::optional<std::string> refusalOfFeed(const UpdateTrust& trust, const std::string& address,
                                         const SignatureFile& signature, std::string_view body, std::uint64_t now);

// The signing time of a signature whose trusted comment has one.
std::optional<std::uint64_t> signingTime(const SignatureFile& signature);

} // namespace corvane
