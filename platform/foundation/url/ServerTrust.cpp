#include "foundation/url/ServerTrust.h"

#include "foundation/objects/Base64.h"

#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

namespace foundation {
namespace {

std::string publicKeyPinOf(const std::string& certificatePEM)
{
    std::unique_ptr<BIO, decltype(&BIO_free)> input(
        BIO_new_mem_buf(certificatePEM.data(), static_cast<int>(certificatePEM.size())), &BIO_free);
    if (!input)
        return {};
    std::unique_ptr<X509, decltype(&X509_free)> certificate(PEM_read_bio_X509(input.get(), nullptr, nullptr, nullptr), &X509_free);
    if (!certificate)
        return {};
    unsigned char* der = nullptr;
    int length = i2d_PUBKEY(X509_get0_pubkey(certificate.get()), &der);
    if (length <= 0)
        return {};
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    bool hashed = EVP_Digest(der, static_cast<std::size_t>(length), digest, &digestLength, EVP_sha256(), nullptr) == 1;
    OPENSSL_free(der);
    if (!hashed)
        return {};
    return "sha256//" + base64Encoded(std::string_view(reinterpret_cast<const char*>(digest), digestLength));
}

} // namespace

Ref<ServerTrust> ServerTrust::create(std::string_view host, std::vector<std::string> certificateChainPEM)
{
    if (certificateChainPEM.empty())
        return nullptr;
    std::string pin = publicKeyPinOf(certificateChainPEM.front());
    if (pin.empty())
        return nullptr;
    return Ref<ServerTrust>::adopt(new ServerTrust(host, std::move(certificateChainPEM), std::move(pin)));
}

} // namespace foundation
