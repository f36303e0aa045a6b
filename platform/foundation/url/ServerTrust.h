#pragma once

#include "foundation/objects/Object.h"

#include <string>
#include <string_view>
#include <vector>

namespace foundation {

// What a TLS server presented for a host (the platform's SecTrust): the
// certificate chain, leaf first. Trusting it means trusting exactly the
// leaf's public key, whatever a certificate evaluation would say.
class ServerTrust final : public Object {
public:
    // Null when the chain is empty or its leaf is not a readable PEM certificate.
    [[nodiscard]] static Ref<ServerTrust> create(std::string_view host, std::vector<std::string> certificateChainPEM);

    const std::string& host() const noexcept { return host_; }
    const std::vector<std::string>& certificateChain() const noexcept { return chain_; }
    // libcurl's pin of the leaf's public key: "sha256//" and the Base64 of
    // the SHA-256 of its DER form.
    const std::string& publicKeyPin() const noexcept { return pin_; }

    const char* className() const override { return "SecTrust"; }

private:
    ServerTrust(std::string_view host, std::vector<std::string> chain, std::string pin)
        : host_(host), chain_(std::move(chain)), pin_(std::move(pin)) {}

    std::string host_;
    std::vector<std::string> chain_;
    std::string pin_;
};

} // namespace foundation
