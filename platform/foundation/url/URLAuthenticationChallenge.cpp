#include "foundation/url/URLAuthenticationChallenge.h"

namespace foundation {

Ref<URLAuthenticationChallenge> URLAuthenticationChallenge::create(Ref<URLProtectionSpace> space,
    Ref<URLCredential> proposedCredential, long previousFailureCount, Ref<URLAuthenticationChallengeSender> sender)
{
    return Ref<URLAuthenticationChallenge>::adopt(new URLAuthenticationChallenge(
        std::move(space), std::move(proposedCredential), previousFailureCount, std::move(sender)));
}

URLAuthenticationChallenge::~URLAuthenticationChallenge()
{
    // The sender must not keep a reference to a challenge it is told about here.
    if (!answered_.load())
        sender_->continueWithoutCredential(*this);
}

} // namespace foundation
