#pragma once

#include "foundation/url/URLCredential.h"
#include "foundation/url/URLProtectionSpace.h"

#include <atomic>

namespace foundation {

class URLAuthenticationChallenge;

// Who takes the answer to a challenge (the connection that asked).
class URLAuthenticationChallengeSender : public Object {
public:
    virtual void useCredential(const Ref<URLCredential>& credential, URLAuthenticationChallenge& challenge) = 0;
    virtual void continueWithoutCredential(URLAuthenticationChallenge& challenge) = 0;
    virtual void cancel(URLAuthenticationChallenge& challenge) = 0;
};

// A server's demand for authentication in a protection space. It takes
// exactly one answer, through its sender, from any thread and at any time;
// answers after the first are ignored. A challenge dropped without an
// answer is answered with continueWithoutCredential, so that a connection
// never waits for an answer that cannot come.
class URLAuthenticationChallenge final : public Object {
public:
    static Ref<URLAuthenticationChallenge> create(Ref<URLProtectionSpace> space, Ref<URLCredential> proposedCredential,
        long previousFailureCount, Ref<URLAuthenticationChallengeSender> sender);
    ~URLAuthenticationChallenge() override;

    URLProtectionSpace& protectionSpace() const noexcept { return *space_; }
    URLCredential* proposedCredential() const noexcept { return proposedCredential_.get(); }
    long previousFailureCount() const noexcept { return previousFailureCount_; }
    URLAuthenticationChallengeSender& sender() const noexcept { return *sender_; }

    // For senders: true exactly once, for the answer that counts.
    [[nodiscard]] bool takeAnswer() noexcept { return !answered_.exchange(true); }

    const char* className() const override { return "NSURLAuthenticationChallenge"; }

private:
    URLAuthenticationChallenge(Ref<URLProtectionSpace> space, Ref<URLCredential> proposedCredential, long previousFailureCount,
        Ref<URLAuthenticationChallengeSender> sender)
        : space_(std::move(space))
        , proposedCredential_(std::move(proposedCredential))
        , previousFailureCount_(previousFailureCount)
        , sender_(std::move(sender))
    {
    }

    Ref<URLProtectionSpace> space_;
    Ref<URLCredential> proposedCredential_;
    long previousFailureCount_;
    Ref<URLAuthenticationChallengeSender> sender_;
    std::atomic<bool> answered_{false};
};

} // namespace foundation
