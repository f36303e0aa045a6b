#pragma once

#include "agent/SignatureFile.h"

#include <optional>

namespace corvane {

// What the agent demands of the vendor's files, fixed when it is built:
// with a key, a feed and a disk image are used only when their minisign
// signatures by that key verify; without one, as they come (and the agent
// says so once at start).
struct UpdateTrust {
    std::optional<PublicKey> key;
    // A feed signed longer ago than this is refused, so that a replayed old
    // feed cannot hide new releases for ever. None: no limit.
    std::optional<long> maximumFeedAgeDays;

    // The build's settings (UPDATE_PUBLIC_KEY, UPDATE_FEED_MAX_AGE_DAYS);
    // test builds also take the key from CORVANE_UPDATE_PUBLIC_KEY.
    static UpdateTrust ofThisBuild();
};

} // namespace corvane
