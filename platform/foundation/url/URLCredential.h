#pragma once

#include "foundation/url/ServerTrust.h"

#include <string>
#include <string_view>

namespace foundation {

// How long a credential is kept. Nothing is ever written to disk: a
// permanent credential lasts, like a session one, for the process.
enum class URLCredentialPersistence {
    None = 0,
    ForSession = 1,
    Permanent = 2,
    Synchronizable = 3,
};

// A user name and password, or the decision to trust a server.
class URLCredential final : public Object {
public:
    static Ref<URLCredential> credentialWithUser(std::string_view user, std::string_view password,
        URLCredentialPersistence persistence);
    // Answers a server-trust challenge: accept what that server presented.
    // The credential keeps its own reference to the trust.
    static Ref<URLCredential> credentialForTrust(ServerTrust* trust);

    const std::string& user() const noexcept { return user_; }
    const std::string& password() const noexcept { return password_; }
    bool hasPassword() const noexcept { return !password_.empty(); }
    URLCredentialPersistence persistence() const noexcept { return persistence_; }
    // Null unless made with credentialForTrust.
    ServerTrust* serverTrust() const noexcept { return trust_.get(); }

    const char* className() const override { return "NSURLCredential"; }
    // "<NSURLCredential: 0x…>: user" (never the password).
    std::string description() const override;

private:
    URLCredential(std::string_view user, std::string_view password, URLCredentialPersistence persistence, Ref<ServerTrust> trust)
        : user_(user), password_(password), persistence_(persistence), trust_(std::move(trust)) {}

    std::string user_;
    std::string password_;
    URLCredentialPersistence persistence_;
    Ref<ServerTrust> trust_;
};

} // namespace foundation
