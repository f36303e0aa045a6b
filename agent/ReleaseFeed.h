#pragma once

#include "foundation/objects/Dictionary.h"

#include <optional>
#include <string>

namespace corvane {

// The release a feed offers: the first entry of its "stable" array.
struct ReleaseEntry {
    std::string canonicalVersion;        // compared, and stored by a skip
    std::optional<std::string> version;  // shown to the user
    std::optional<std::string> path;     // where the disk image is
};

// What a decoded feed says. A feed that breaks the format (no "stable"
// array, an entry that is not an object of strings, a first entry without
// "canonical_version") is unusable: the check must stop there rather than
// carry on with a made-up value.
struct FeedReading {
    enum class Outcome { Offered, NothingOffered, Unusable };
    Outcome outcome = Outcome::Unusable;
    ReleaseEntry release;  // when Offered
    std::string problem;   // when Unusable: what is wrong, for the log
};

FeedReading readFirstStableRelease(const foundation::Dictionary& feed);

} // namespace corvane
