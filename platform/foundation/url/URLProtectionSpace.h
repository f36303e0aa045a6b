#pragma once

#include "foundation/url/ServerTrust.h"

#include <optional>
#include <string>
#include <string_view>

namespace foundation {

// The platform's names of authentication methods and protocols.
namespace URLAuthenticationMethod {
inline constexpr std::string_view Default = "NSURLAuthenticationMethodDefault";
inline constexpr std::string_view HTTPBasic = "NSURLAuthenticationMethodHTTPBasic";
inline constexpr std::string_view ServerTrust = "NSURLAuthenticationMethodServerTrust";
} // namespace URLAuthenticationMethod
namespace URLProtectionSpaceProtocol {
inline constexpr std::string_view HTTP = "http";
inline constexpr std::string_view HTTPS = "https";
} // namespace URLProtectionSpaceProtocol

// A server (host, port, protocol) and realm that asks for one kind of
// authentication. A server-trust space also carries what the server
// presented. Spaces are equal when host, port, protocol, realm and method
// are; the trust does not count.
class URLProtectionSpace final : public Object {
public:
    // An empty method stands for the default method; port 0 for none given.
    static Ref<URLProtectionSpace> create(std::string_view host, int port, std::string_view protocol,
        std::optional<std::string> realm, std::string_view authenticationMethod);
    static Ref<URLProtectionSpace> forServerTrust(Ref<ServerTrust> trust, int port, std::string_view protocol);

    const std::string& host() const noexcept { return host_; }
    int port() const noexcept { return port_; }
    const std::string& protocol() const noexcept { return protocol_; }
    const std::optional<std::string>& realm() const noexcept { return realm_; }
    const std::string& authenticationMethod() const noexcept { return authenticationMethod_; }
    // Null unless this is a server-trust space.
    ServerTrust* serverTrust() const noexcept { return serverTrust_.get(); }

    const char* className() const override { return "NSURLProtectionSpace"; }
    // "<NSURLProtectionSpace: 0x…>: Host:h, Server:https, Auth-Scheme:…, Realm:(null), Port:6984, Proxy:NO, Proxy-Type:(null)"
    std::string description() const override;
    bool isEqual(const Object& other) const override;
    std::uint64_t hash() const override;

private:
    URLProtectionSpace(std::string_view host, int port, std::string_view protocol, std::optional<std::string> realm,
        std::string_view authenticationMethod, Ref<ServerTrust> trust);

    std::string host_;
    int port_;
    std::string protocol_;
    std::optional<std::string> realm_;
    std::string authenticationMethod_;
    Ref<ServerTrust> serverTrust_;
};

} // namespace foundation
