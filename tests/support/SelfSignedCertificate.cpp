#include "support/SelfSignedCertificate.h"

#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <stdexcept>

namespace testsupport {
namespace {

template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, std::integral_constant<decltype(Free), Free>>;

void require(bool condition, const char* what)
{
    if (!condition)
        throw std::runtime_error(std::string("cannot make a test certificate: ") + what);
}

std::string pemOf(int (*write)(BIO*, void*), void* object)
{
    Owned<BIO, BIO_free_all> output(BIO_new(BIO_s_mem()));
    require(output && write(output.get(), object) == 1, "PEM output");
    char* bytes = nullptr;
    long length = BIO_get_mem_data(output.get(), &bytes);
    return std::string(bytes, static_cast<std::size_t>(length));
}

int writeCertificate(BIO* output, void* certificate) { return PEM_write_bio_X509(output, static_cast<X509*>(certificate)); }
int writeKey(BIO* output, void* key)
{
    return PEM_write_bio_PrivateKey(output, static_cast<EVP_PKEY*>(key), nullptr, nullptr, 0, nullptr, nullptr);
}

} // namespace

SelfSignedCertificate SelfSignedCertificate::create(std::string_view hostName)
{
    Owned<EVP_PKEY, EVP_PKEY_free> key(EVP_EC_gen("P-256"));
    require(key != nullptr, "key");

    Owned<X509, X509_free> certificate(X509_new());
    require(certificate && X509_set_version(certificate.get(), 2) == 1, "certificate");
    unsigned char serial[8];
    require(RAND_bytes(serial, sizeof serial) == 1, "serial");
    serial[0] &= 0x7F;
    Owned<BIGNUM, BN_free> serialNumber(BN_bin2bn(serial, sizeof serial, nullptr));
    require(serialNumber && BN_to_ASN1_INTEGER(serialNumber.get(), X509_get_serialNumber(certificate.get())), "serial");
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 86400);
    require(X509_set_pubkey(certificate.get(), key.get()) == 1, "public key");

    std::string host(hostName);
    X509_NAME* name = X509_get_subject_name(certificate.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(host.c_str()), -1, -1, 0);
    require(X509_set_issuer_name(certificate.get(), name) == 1, "issuer");

    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate.get(), certificate.get(), nullptr, nullptr, 0);
    std::string alternativeNames = "DNS:" + host + ",IP:127.0.0.1";
    Owned<X509_EXTENSION, X509_EXTENSION_free> extension(
        X509V3_EXT_conf_nid(nullptr, &context, NID_subject_alt_name, alternativeNames.c_str()));
    require(extension && X509_add_ext(certificate.get(), extension.get(), -1) == 1, "subject alternative name");
    require(X509_sign(certificate.get(), key.get(), EVP_sha256()) > 0, "signature");

    return {pemOf(writeCertificate, certificate.get()), pemOf(writeKey, key.get())};
}

} // namespace testsupport
