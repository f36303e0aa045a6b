#include "foundation/url/URLError.h"

#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Format.h"
#include "foundation/objects/URL.h"

namespace foundation {
namespace {

std::string descriptionForCode(long code, const URL* url)
{
    switch (code) {
    case URLErrorCode::Cancelled:
        return "cancelled";
    case URLErrorCode::BadURL:
        return "bad URL";
    case URLErrorCode::TimedOut:
        return "The request timed out.";
    case URLErrorCode::UnsupportedURL:
        return "unsupported URL";
    case URLErrorCode::CannotFindHost:
        return "A server with the specified hostname could not be found.";
    case URLErrorCode::CannotConnectToHost:
        return "Could not connect to the server.";
    case URLErrorCode::NetworkConnectionLost:
        return "The network connection was lost.";
    case URLErrorCode::HTTPTooManyRedirects:
        return "too many HTTP redirects";
    case URLErrorCode::BadServerResponse:
        return "bad server response";
    case URLErrorCode::DataLengthExceedsMaximum:
        return "resource exceeds maximum size";
    case URLErrorCode::SecureConnectionFailed:
        return "An SSL error has occurred and a secure connection to the server cannot be made.";
    case URLErrorCode::ServerCertificateUntrusted:
        return "The certificate for this server is invalid. You might be connecting to a server that is pretending to be \xE2\x80\x9C"
            + std::string(url ? url->host() : std::string_view()) + "\xE2\x80\x9D which could put your confidential information at risk.";
    case URLErrorCode::CannotCreateFile:
        return "cannot create file";
    case URLErrorCode::CannotWriteToFile:
        return "cannot write to file";
    default:
        return "unknown error";
    }
}

} // namespace

Ref<Error> makeURLError(long code, URL* failingURL, std::string_view detail)
{
    Ref<MutableDictionary> userInfo = MutableDictionary::create();
    userInfo->setObject(str(descriptionForCode(code, failingURL)).get(), LocalizedDescriptionKey);
    if (failingURL) {
        userInfo->setObject(failingURL, URLErrorFailingURLKey);
        userInfo->setObject(str(failingURL->absoluteString()).get(), URLErrorFailingURLStringKey);
    }
    if (!detail.empty()) {
        if (Ref<String> text = String::create(detail))
            userInfo->setObject(text.get(), "NSDebugDescription");
    }
    return Error::create(URLErrorDomain, code, userInfo);
}

} // namespace foundation
