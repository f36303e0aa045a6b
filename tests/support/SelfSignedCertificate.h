#pragma once

#include <string>
#include <string_view>

namespace testsupport {

// A P-256 key and a self-signed certificate for a host name (and for
// 127.0.0.1), made with OpenSSL at run time, valid from an hour ago for a
// day. Nothing is read from or written to disk.
struct SelfSignedCertificate {
    static SelfSignedCertificate create(std::string_view hostName);

    std::string certificatePEM;
    std::string privateKeyPEM;
};

} // namespace testsupport
