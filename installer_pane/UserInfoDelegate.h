#pragma once

#include "foundation/url/URLConnection.h"

namespace quillon {

// The delegate of one user-info upload: it logs what the connection tells
// it and accepts the user-info server's certificate. It holds no state; the
// connection keeps it alive until the connection ends. Its callbacks run on
// the run loop of the thread that started the upload (the installer's main
// thread).
//
// The server's certificate is accepted (server trust answered with a
// credential for the trust) only when the challenge is for the user-info
// host and the certificate presented names that host; any other challenge
// is answered by continuing without a credential, which leaves the
// platform's normal verification in force, so a server that cannot prove
// it is the user-info server never receives the details or the password.
class UserInfoDelegate final : public foundation::URLConnectionDelegate {
public:
    static foundation::Ref<UserInfoDelegate> create();

    // Logs "received data %@" with the chunk as UTF-8 text ("(null)" when it
    // is not UTF-8).
    void didReceiveData(foundation::URLConnection& connection, const foundation::Ref<foundation::Data>& data) override;
    // Logs "auth %@" with the space's method; true for server trust only.
    bool canAuthenticateAgainstProtectionSpace(foundation::URLConnection& connection,
                                               const foundation::URLProtectionSpace& space) override;
    // Logs "challange %@" with the space's host, then answers the challenge once.
    void didReceiveAuthenticationChallenge(foundation::URLConnection& connection,
                                           const foundation::Ref<foundation::URLAuthenticationChallenge>& challenge) override;

    const char* className() const override { return "UserInfoDelegate"; }

private:
    UserInfoDelegate() = default;
};

} // namespace quillon
