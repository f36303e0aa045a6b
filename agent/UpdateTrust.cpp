#include "agent/UpdateTrust.h"

#include "foundation/system/Log.h"

#include <cstdlib>
#include <string_view>

namespace corvane {

namespace {

std::string_view keyLine()
{
#if ENABLE_TEST_SEAMS
    if (const char* setting = std::getenv("CORVANE_UPDATE_PUBLIC_KEY"); setting && *setting)
        return setting;
#endif
    return UPDATE_PUBLIC_KEY;
}

} // namespace

UpdateTrust UpdateTrust::ofThisBuild()
{
    UpdateTrust trust;
    if (UPDATE_FEED_MAX_AGE_DAYS > 0)
        trust.maximumFeedAgeDays = UPDATE_FEED_MAX_AGE_DAYS;
    std::string_view line = keyLine();
    if (line.empty())
        return trust;
    trust.key = parsePublicKey(line);
    if (!trust.key) {
        // The configuration checks the build's key; a key that still does
        // not read must not leave the agent opening unverified files.
        foundation::logDiagnostic("the update key \"" + std::string(line) + "\" is not a minisign public key; stopping");
        std::exit(EXIT_FAILURE);
    }
    return trust;
}

} // namespace corvane
