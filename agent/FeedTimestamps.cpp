#include "agent/FeedTimestamps.h"

#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Number.h"
#include "foundation/storage/UserDefaults.h"

#include <mutex>

namespace corvane {

using foundation::Ref;

namespace {

// Two checks must not both read the dictionary and each write back its
// own copy, losing the other's entry.
std::mutex& updateMutex()
{
    static std::mutex mutex;
    return mutex;
}

Ref<foundation::Dictionary> storedTimestamps()
{
    Ref<foundation::Object> value = foundation::UserDefaults::standardUserDefaults().valueForKey(FeedTimestampsKey);
    if (!value || !value->isDictionary())
        return nullptr;
    return foundation::static_ref_cast<foundation::Dictionary>(value);
}

} // namespace

std::optional<std::uint64_t> acceptedFeedTimestamp(std::string_view address)
{
    Ref<foundation::Dictionary> timestamps = storedTimestamps();
    foundation::Object* value = timestamps ? timestamps->objectForKey(address) : nullptr;
    if (!value || !value->isNumber())
        return std::nullopt;
    return static_cast<foundation::Number*>(value)->uint64Value();
}

void rememberFeedTimestamp(const std::string& address, std::uint64_t timestamp)
{
    std::lock_guard lock(updateMutex());
    if (acceptedFeedTimestamp(address) >= timestamp)
        return;
    Ref<foundation::Dictionary> stored = storedTimestamps();
    Ref<foundation::MutableDictionary> timestamps = stored ? stored->mutableCopy() : foundation::MutableDictionary::create();
    timestamps->setObject(foundation::Number::withUnsigned(timestamp).get(), address);
    foundation::UserDefaults& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setValue(timestamps.get(), FeedTimestampsKey);
    (void)defaults.synchronize();
}

} // namespace corvane
