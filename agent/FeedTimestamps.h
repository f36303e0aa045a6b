#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// For each feed address, the signing time of the newest feed the agent has
// accepted, kept in the user defaults (key "feedSignatureTimestamps", a
// dictionary from address to seconds since 1970) so that it survives a
// restart. A feed signed before that is an old one replayed. Safe from any
// thread; a failed write is retried by the defaults' store later.
std::optional<std::uint64_t> acceptedFeedTimestamp(std::string_view address);
// Records `timestamp` unless a newer one is already kept.
void rememberFeedTimestamp(const std::string& address, std::uint64_t timestamp);

inline constexpr std::string_view FeedTimestampsKey = "feedSignatureTimestamps";

} // namespace corvane
