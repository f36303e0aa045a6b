#include "foundation/url/URLCredentialStorage.h"

#include <algorithm>

namespace foundation {

URLCredentialStorage& URLCredentialStorage::sharedCredentialStorage()
{
    // Never destroyed: the transfer thread consults it while the process exits.
    static URLCredentialStorage* storage = new URLCredentialStorage;
    return *storage;
}

void URLCredentialStorage::setDefaultCredential(Ref<URLCredential> credential, const Ref<URLProtectionSpace>& space)
{
    if (!credential || !space || credential->persistence() == URLCredentialPersistence::None)
        return;
    std::lock_guard lock(mutex_);
    for (auto& [known, stored] : defaults_) {
        if (known->isEqual(*space)) {
            stored = std::move(credential);
            return;
        }
    }
    defaults_.emplace_back(space, std::move(credential));
}

Ref<URLCredential> URLCredentialStorage::defaultCredentialForProtectionSpace(const URLProtectionSpace& space) const
{
    std::lock_guard lock(mutex_);
    auto entry = std::find_if(defaults_.begin(), defaults_.end(), [&](const auto& pair) { return pair.first->isEqual(space); });
    return entry == defaults_.end() ? nullptr : entry->second;
}

void URLCredentialStorage::removeAllCredentials()
{
    std::lock_guard lock(mutex_);
    defaults_.clear();
}

} // namespace foundation
