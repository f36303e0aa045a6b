#pragma once

#include "foundation/url/URLCredential.h"
#include "foundation/url/URLProtectionSpace.h"

#include <mutex>
#include <utility>
#include <vector>

namespace foundation {

// The process's credentials by protection space, kept in memory only (there
// is no keychain: a permanent credential also ends with the process).
// Thread-safe. A connection proposes a space's default credential in the
// challenges for that space.
class URLCredentialStorage {
public:
    static URLCredentialStorage& sharedCredentialStorage();

    // Replaces the space's default. A credential that persists for nothing
    // (URLCredentialPersistence::None) is not stored.
    void setDefaultCredential(Ref<URLCredential> credential, const Ref<URLProtectionSpace>& space);
    [[nodiscard]] Ref<URLCredential> defaultCredentialForProtectionSpace(const URLProtectionSpace& space) const;
    void removeAllCredentials();

    URLCredentialStorage(const URLCredentialStorage&) = delete;
    URLCredentialStorage& operator=(const URLCredentialStorage&) = delete;

private:
    URLCredentialStorage() = default;

    mutable std::mutex mutex_;
    std::vector<std::pair<Ref<URLProtectionSpace>, Ref<URLCredential>>> defaults_;
};

} // namespace foundation
