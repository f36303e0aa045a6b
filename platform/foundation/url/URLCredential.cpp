#include "foundation/url/URLCredential.h"

namespace foundation {

Ref<URLCredential> URLCredential::credentialWithUser(std::string_view user, std::string_view password,
    URLCredentialPersistence persistence)
{
    return Ref<URLCredential>::adopt(new URLCredential(user, password, persistence, nullptr));
}

Ref<URLCredential> URLCredential::credentialForTrust(ServerTrust* trust)
{
    return Ref<URLCredential>::adopt(new URLCredential({}, {}, URLCredentialPersistence::ForSession, Ref(trust)));
}

std::string URLCredential::description() const
{
    return plainDescription(*this) + ": " + (user_.empty() ? std::string("(null)") : user_);
}

} // namespace foundation
