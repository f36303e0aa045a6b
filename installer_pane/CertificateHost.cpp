#include "installer_pane/CertificateHost.h"

#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <memory>

namespace quillon {

bool certificateNamesHost(const foundation::ServerTrust& trust, std::string_view host)
{
    if (trust.certificateChain().empty() || host.empty())
        return false;
    const std::string& pem = trust.certificateChain().front();
    std::unique_ptr<BIO, int (*)(BIO*)> input(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), BIO_free);
    if (!input)
        return false;
    std::unique_ptr<X509, void (*)(X509*)> certificate(PEM_read_bio_X509(input.get(), nullptr, nullptr, nullptr), X509_free);
    return certificate && X509_check_host(certificate.get(), host.data(), host.size(), 0, nullptr) == 1;
}

} // namespace quillon
