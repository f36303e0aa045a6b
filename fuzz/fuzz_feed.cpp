// The release feed as the agent reads it from the network: any bytes
// through the JSON reader (fragments allowed, as the feed request asks),
// then the first stable release read out of an object, then the download's
// destination made from its path. Nothing may crash; an offered release
// has a version to compare, and a destination always names a file directly
// inside the temporary directory.

#include "agent/DownloadDestination.h"
#include "agent/ReleaseFeed.h"

#include "foundation/objects/Data.h"
#include "foundation/storage/JSONSerialization.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr const char* temporaryDirectory = "/tmp";

void checkDestination(const std::string& releasePath)
{
    std::optional<std::string> destination = corvane::downloadDestination(temporaryDirectory, releasePath);
    if (!destination)
        return;
    const std::string prefix = std::string("file://") + temporaryDirectory + "/";
    std::string name = destination->substr(prefix.size());
    if (!destination->starts_with(prefix) || name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") {
        std::fprintf(stderr, "path \"%s\" gave the destination \"%s\"\n", releasePath.c_str(), destination->c_str());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    foundation::Ref<foundation::Data> body = foundation::Data::create({reinterpret_cast<const char*>(bytes), size});
    foundation::Ref<foundation::Object> decoded =
        foundation::JSONSerialization::JSONObjectWithData(*body, foundation::JSONReadingOptions::AllowFragments);
    if (!decoded || !decoded->isDictionary())
        return 0;
    corvane::FeedReading reading = corvane::readFirstStableRelease(static_cast<const foundation::Dictionary&>(*decoded));
    if (reading.outcome == corvane::FeedReading::Outcome::Unusable && reading.problem.empty())
        std::abort();  // a refusal always says why
    if (reading.outcome == corvane::FeedReading::Outcome::Offered && reading.release.path)
        checkDestination(*reading.release.path);
    return 0;
}
