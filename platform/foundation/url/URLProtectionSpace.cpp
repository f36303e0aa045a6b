#include "foundation/url/URLProtectionSpace.h"

#include <functional>

namespace foundation {

URLProtectionSpace::URLProtectionSpace(std::string_view host, int port, std::string_view protocol,
    std::optional<std::string> realm, std::string_view authenticationMethod, Ref<ServerTrust> trust)
    : host_(host)
    , port_(port)
    , protocol_(protocol)
    , realm_(std::move(realm))
    , authenticationMethod_(authenticationMethod.empty() ? URLAuthenticationMethod::Default : authenticationMethod)
    , serverTrust_(std::move(trust))
{
}

Ref<URLProtectionSpace> URLProtectionSpace::create(std::string_view host, int port, std::string_view protocol,
    std::optional<std::string> realm, std::string_view authenticationMethod)
{
    return Ref<URLProtectionSpace>::adopt(
        new URLProtectionSpace(host, port, protocol, std::move(realm), authenticationMethod, nullptr));
}

Ref<URLProtectionSpace> URLProtectionSpace::forServerTrust(Ref<ServerTrust> trust, int port, std::string_view protocol)
{
    std::string host = trust->host();
    return Ref<URLProtectionSpace>::adopt(new URLProtectionSpace(
        host, port, protocol, std::nullopt, URLAuthenticationMethod::ServerTrust, std::move(trust)));
}

std::string URLProtectionSpace::description() const
{
    return plainDescription(*this) + ": Host:" + host_ + ", Server:" + protocol_ + ", Auth-Scheme:" + authenticationMethod_
        + ", Realm:" + realm_.value_or("(null)") + ", Port:" + std::to_string(port_) + ", Proxy:NO, Proxy-Type:(null)";
}

bool URLProtectionSpace::isEqual(const Object& other) const
{
    if (this == &other)
        return true;
    auto* space = dynamic_cast<const URLProtectionSpace*>(&other);
    return space && space->host_ == host_ && space->port_ == port_ && space->protocol_ == protocol_
        && space->realm_ == realm_ && space->authenticationMethod_ == authenticationMethod_;
}

std::uint64_t URLProtectionSpace::hash() const
{
    return std::hash<std::string>()(host_) ^ static_cast<std::uint64_t>(port_);
}

} // namespace foundation
