#include "agent/ReleaseFeed.h"

#include "foundation/objects/Array.h"
#include "foundation/objects/String.h"

namespace corvane {

using foundation::Object;

namespace {

FeedReading unusable(std::string problem)
{
    FeedReading reading;
    reading.problem = std::move(problem);
    return reading;
}

// Every entry must be a dictionary from string to string, as the whole
// array is read as one list of such dictionaries.
bool isStringDictionary(const Object& entry)
{
    if (!entry.isDictionary())
        return false;
    const auto& dictionary = static_cast<const foundation::Dictionary&>(entry);
    for (Object* key : foundation::FastEnumeration(dictionary)) {
        if (!key->isString() || !dictionary.objectForKey(key)->isString())
            return false;
    }
    return true;
}

std::optional<std::string> stringValue(const foundation::Dictionary& entry, std::string_view key)
{
    if (Object* value = entry.objectForKey(key))
        return std::string(static_cast<foundation::String*>(value)->utf8());
    return std::nullopt;
}

} // namespace

FeedReading readFirstStableRelease(const foundation::Dictionary& feed)
{
    Object* stable = feed.objectForKey("stable");
    if (!stable || !stable->isArray())
        return unusable("the release feed has no \"stable\" array");
    const auto& entries = static_cast<const foundation::Array&>(*stable);
    for (Object* entry : foundation::FastEnumeration(entries)) {
        if (!isStringDictionary(*entry))
            return unusable("the release feed's \"stable\" array holds an entry that is not an object of strings");
    }
    if (entries.count() == 0) {
        FeedReading reading;
        reading.outcome = FeedReading::Outcome::NothingOffered;
        return reading;
    }
    const auto& first = static_cast<const foundation::Dictionary&>(*entries.objectAtIndex(0));
    std::optional<std::string> canonicalVersion = stringValue(first, "canonical_version");
    if (!canonicalVersion)
        return unusable("the release feed's first stable release has no \"canonical_version\"");
    FeedReading reading;
    reading.outcome = FeedReading::Outcome::Offered;
    reading.release = {*canonicalVersion, stringValue(first, "version"), stringValue(first, "path")};
    return reading;
}

} // namespace corvane
