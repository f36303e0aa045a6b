#include "agent/FeedSignature.h"

#include "agent/FeedTimestamps.h"
#include "agent/SignatureCheck.h"

namespace corvane {

namespace {

constexpr std::uint64_t secondsPerDay = 86400;

} // namespace

std::optional<std::uint64_t> signingTime(const SignatureFile& signature)
{
    return readTrustedComment(signature.trustedComment).timestamp;
}

std::optional<std::string> refusalOfFeed(const UpdateTrust& trust, const std::string& address,
                                         const SignatureFile& signature, std::string_view body, std::uint64_t now)
{
    if (auto refusal = refusalOfContent(*trust.key, signature, "data.json", body))
        return refusal;
    std::optional<std::uint64_t> signedAt = signingTime(signature);
    if (!signedAt)
        return std::string("its signature carries no signing time");
    if (std::optional<std::uint64_t> accepted = acceptedFeedTimestamp(address); accepted && *signedAt < *accepted)
        return "it was signed at " + std::to_string(*signedAt) + ", before the feed accepted last (signed at "
            + std::to_string(*accepted) + "): an older feed replayed";
    if (trust.maximumFeedAgeDays) {
        std::uint64_t maximumAge = static_cast<std::uint64_t>(*trust.maximumFeedAgeDays) * secondsPerDay;
        if (*signedAt < now && now - *signedAt > maximumAge)
            return "it was signed " + std::to_string((now - *signedAt) / secondsPerDay) + " days ago, longer than the "
                + std::to_string(*trust.maximumFeedAgeDays) + " days a feed may be old";
    }
    return std::nullopt;
}

} // namespace corvane
