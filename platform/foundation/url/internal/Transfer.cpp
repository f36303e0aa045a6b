#include "foundation/url/internal/Transfer.h"

#include "foundation/objects/CharacterSet.h"
#include "foundation/system/Log.h"
#include "foundation/url/ConnectToOverride.h"
#include "foundation/url/URLError.h"

#include <cmath>
#include <curl/curl.h>
#include <strings.h>

namespace foundation {
namespace {

// A server may not flood us with header lines either.
constexpr std::size_t MaximumHeaderBytes = 1u << 20;
// The platform gives up after this many redirects.
constexpr long MaximumRedirects = 16;

long urlErrorCodeFor(CURLcode result)
{
    switch (result) {
    case CURLE_UNSUPPORTED_PROTOCOL:
        return URLErrorCode::UnsupportedURL;
    case CURLE_URL_MALFORMAT:
        return URLErrorCode::BadURL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return URLErrorCode::CannotFindHost;
    case CURLE_COULDNT_CONNECT:
        return URLErrorCode::CannotConnectToHost;
    case CURLE_OPERATION_TIMEDOUT:
        return URLErrorCode::TimedOut;
    case CURLE_TOO_MANY_REDIRECTS:
        return URLErrorCode::HTTPTooManyRedirects;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return URLErrorCode::ServerCertificateUntrusted;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return URLErrorCode::SecureConnectionFailed;
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
        return URLErrorCode::NetworkConnectionLost;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return URLErrorCode::BadServerResponse;
    case CURLE_FILESIZE_EXCEEDED:
        return URLErrorCode::DataLengthExceedsMaximum;
    case CURLE_ABORTED_BY_CALLBACK:
        return URLErrorCode::Cancelled;
    default:
        return URLErrorCode::Unknown;
    }
}

// Beyond this a time-out is as good as none; the cap keeps the conversion
// to libcurl's integer milliseconds defined.
constexpr double MaximumTimeoutSeconds = 30 * 24 * 3600;

// A time-out that is not positive (or not a number) means the default.
double usableTimeout(double seconds, double fallback = URLRequest::DefaultTimeoutInterval)
{
    return seconds > 0 ? std::min(seconds, MaximumTimeoutSeconds) : fallback;
}

long milliseconds(double seconds)
{
    return static_cast<long>(std::ceil(seconds * 1000));
}

} // namespace

Transfer::Transfer(Ref<URLRequest> request, const TransferLimits& limits)
    : request_(std::move(request))
    , maximumBodyBytes_(limits.maximumBodyBytes)
    , errorText_(CURL_ERROR_SIZE, '\0')
{
    handle_ = curl_easy_init();
    if (!handle_)
        return;
    // Without the error buffer the detail falls back to libcurl's text for
    // the result code.
    prefer(CURLOPT_ERRORBUFFER, errorText_.data());
    prefer(CURLOPT_NOSIGNAL, 1L);
    require(CURLOPT_URL, request_->url()->absoluteString().c_str(), URLErrorCode::BadURL);
    // The path goes out exactly as given: "/./" and "/../" are the server's to judge.
    prefer(CURLOPT_PATH_AS_IS, 1L);
    require(CURLOPT_PROTOCOLS_STR, "http,https", URLErrorCode::UnsupportedURL);
    // A redirect never leaves TLS once a request started on it: a body or
    // credentials sent over https must not be re-sent in clear text.
    bool secure = ::strcasecmp(std::string(request_->url()->scheme()).c_str(), "https") == 0;
    require(CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https", URLErrorCode::UnsupportedURL);
    prefer(CURLOPT_FOLLOWLOCATION, 1L);
    prefer(CURLOPT_MAXREDIRS, MaximumRedirects);
    prefer(CURLOPT_ACCEPT_ENCODING, "");
    require(CURLOPT_SSL_VERIFYPEER, 1L, URLErrorCode::SecureConnectionFailed);
    require(CURLOPT_SSL_VERIFYHOST, 2L, URLErrorCode::SecureConnectionFailed);
    // Without these libcurl would write the body to standard output, past
    // the body and header limits.
    require(CURLOPT_WRITEFUNCTION, &Transfer::writeBody, URLErrorCode::Unknown);
    require(CURLOPT_WRITEDATA, static_cast<void*>(this), URLErrorCode::Unknown);
    require(CURLOPT_HEADERFUNCTION, &Transfer::writeHeader, URLErrorCode::Unknown);
    require(CURLOPT_HEADERDATA, static_cast<void*>(this), URLErrorCode::Unknown);
    applyRequest();
    applyLimits(limits);
#if ENABLE_TEST_SEAMS
    // Without the override a test's request would go to the real host.
    for (const std::string& entry : ConnectToOverride::entries())
        appendLine(connectTo_, entry, URLErrorCode::CannotConnectToHost);
    if (connectTo_)
        require(CURLOPT_CONNECT_TO, connectTo_, URLErrorCode::CannotConnectToHost);
#endif
}

Transfer::~Transfer()
{
    if (handle_)
        curl_easy_cleanup(handle_);
    curl_slist_free_all(requestHeaders_);
    curl_slist_free_all(connectTo_);
}

void Transfer::applyRequest()
{
    // A refusal here would send another request than the one asked for.
    const std::string& method = request_->HTTPMethod();
    if (method == "GET") {
        require(CURLOPT_HTTPGET, 1L, URLErrorCode::Unknown);
    } else if (method == "HEAD") {
        require(CURLOPT_NOBODY, 1L, URLErrorCode::Unknown);
    } else {
        require(CURLOPT_CUSTOMREQUEST, method.c_str(), URLErrorCode::Unknown);
        // The request (and so its body) lives as long as the transfer.
        Data* body = request_->HTTPBody();
        require(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body ? body->length() : 0), URLErrorCode::Unknown);
        require(CURLOPT_POSTFIELDS, body ? reinterpret_cast<const char*>(body->bytes()) : "", URLErrorCode::Unknown);
    }

    for (const auto& [name, value] : request_->allHTTPHeaderFields()) {
        // "Name;" is libcurl's way to send a field with an empty value.
        appendLine(requestHeaders_, value.empty() ? name + ";" : name + ": " + value, URLErrorCode::Unknown);
    }
    // No "Expect: 100-continue" round trip before a body, and no form
    // content type made up by libcurl for a body the request did not type.
    appendLine(requestHeaders_, "Expect:", URLErrorCode::Unknown);
    if (!request_->valueForHTTPHeaderField("Content-Type"))
        appendLine(requestHeaders_, "Content-Type:", URLErrorCode::Unknown);
    require(CURLOPT_HTTPHEADER, requestHeaders_, URLErrorCode::Unknown);
}

void Transfer::applyLimits(const TransferLimits& limits)
{
    prefer(CURLOPT_CONNECTTIMEOUT_MS, milliseconds(usableTimeout(limits.connectTimeout)));
    prefer(CURLOPT_LOW_SPEED_LIMIT, 1L);
    prefer(CURLOPT_LOW_SPEED_TIME, std::max(1L, static_cast<long>(std::ceil(usableTimeout(limits.idleTimeout)))));
    if (limits.totalTimeout > 0)
        prefer(CURLOPT_TIMEOUT_MS, milliseconds(usableTimeout(limits.totalTimeout)));
}

void Transfer::trustOnlyPublicKey(const std::string& pin)
{
    pin_ = pin;
    // The pin is what replaces verification: without it any server would
    // do. Turning verification off may be refused: it then stays on, which
    // only refuses more.
    require(CURLOPT_PINNEDPUBLICKEY, pin_.c_str(), URLErrorCode::SecureConnectionFailed);
    prefer(CURLOPT_SSL_VERIFYPEER, 0L);
    prefer(CURLOPT_SSL_VERIFYHOST, 0L);
    require(CURLOPT_FRESH_CONNECT, 1L, URLErrorCode::SecureConnectionFailed);
    require(CURLOPT_FORBID_REUSE, 1L, URLErrorCode::SecureConnectionFailed);
}

void Transfer::connectOnlyToSeeCertificates()
{
    // Without connect-only the request itself would go to a server nobody
    // has verified. The rest, refused, only leaves no certificate to see,
    // and the connection fails for want of one.
    require(CURLOPT_CONNECT_ONLY, 1L, URLErrorCode::SecureConnectionFailed);
    prefer(CURLOPT_CERTINFO, 1L);
    prefer(CURLOPT_SSL_VERIFYPEER, 0L);
    prefer(CURLOPT_SSL_VERIFYHOST, 0L);
    // A pooled connection would show no certificates: its handshake is over.
    prefer(CURLOPT_FRESH_CONNECT, 1L);
}

std::vector<std::string> Transfer::serverCertificates() const
{
    std::vector<std::string> chain;
    curl_certinfo* information = nullptr;
    if (curl_easy_getinfo(handle_, CURLINFO_CERTINFO, &information) != CURLE_OK || !information)
        return chain;
    for (int index = 0; index < information->num_of_certs; ++index) {
        for (curl_slist* entry = information->certinfo[index]; entry; entry = entry->next) {
            std::string_view field(entry->data);
            if (field.starts_with("Cert:"))
                chain.emplace_back(field.substr(5));
        }
    }
    return chain;
}

void Transfer::fail(long urlErrorCode, std::string detail)
{
    if (failure_)
        return;
    failure_ = urlErrorCode;
    failureDetail_ = std::move(detail);
}

void Transfer::checkOption(CURLoption option, CURLcode result, long urlErrorCode)
{
    if (result == CURLE_OK)
        return;
    const curl_easyoption* known = curl_easy_option_by_id(option);
    std::string name = known ? std::string("CURLOPT_") + known->name : "option " + std::to_string(option);
    std::string refusal = "libcurl refused " + name + ": " + curl_easy_strerror(result);
    if (urlErrorCode)
        fail(urlErrorCode, refusal + "; the transfer was not started");
    else
        log("URL loading: " + refusal + "; the transfer goes on without it");
}

void Transfer::appendLine(curl_slist*& list, const std::string& line, long urlErrorCode)
{
    // On failure libcurl leaves the list as it was, still ours to free. The
    // line is not quoted in the error: it may be a credential.
    if (curl_slist* longer = curl_slist_append(list, line.c_str()))
        list = longer;
    else
        fail(urlErrorCode, "libcurl could not add a line to a list (out of memory); the transfer was not started");
}

std::size_t Transfer::writeBody(char* data, std::size_t size, std::size_t count, void* opaque)
{
    auto* transfer = static_cast<Transfer*>(opaque);
    std::size_t length = size * count;
    transfer->bodyBytes_ += length;
    if (transfer->bodyBytes_ > transfer->maximumBodyBytes_) {
        transfer->fail(URLErrorCode::DataLengthExceedsMaximum,
            "body longer than " + std::to_string(transfer->maximumBodyBytes_) + " bytes");
        return 0;
    }
    return transfer->receive(std::string_view(data, length)) ? length : 0;
}

std::size_t Transfer::writeHeader(char* data, std::size_t size, std::size_t count, void* opaque)
{
    auto* transfer = static_cast<Transfer*>(opaque);
    std::size_t length = size * count;
    return transfer->takeHeaderLine(std::string_view(data, length)) ? length : 0;
}

bool Transfer::takeHeaderLine(std::string_view line)
{
    headerBytes_ += line.size();
    if (headerBytes_ > MaximumHeaderBytes) {
        fail(URLErrorCode::BadServerResponse, "header longer than " + std::to_string(MaximumHeaderBytes) + " bytes");
        return false;
    }
    if (line.starts_with("HTTP/")) {
        // A new response begins (after a redirect or an interim 1xx answer).
        headerFields_.clear();
        response_ = nullptr;
        return true;
    }
    if (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
        // An obsolete folded continuation of the previous field.
        if (!headerFields_.empty())
            headerFields_.back().second.append(" ").append(trimmed(line));
        return true;
    }
    std::size_t colon = line.find(':');
    if (colon != std::string_view::npos)
        headerFields_.emplace_back(trimmed(line.substr(0, colon)), trimmed(line.substr(colon + 1)));
    return true;
}

Ref<HTTPURLResponse> Transfer::response()
{
    if (response_)
        return response_;
    long status = 0;
    curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &status);
    if (status == 0)
        return nullptr;
    Ref<URL> url(request_->url());
    char* effective = nullptr;
    if (curl_easy_getinfo(handle_, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective) {
        if (Ref<URL> final = URL::create(effective))
            url = final;
    }
    response_ = HTTPURLResponse::create(url, static_cast<int>(status), headerFields_);
    return response_;
}

void Transfer::finish(int curlResult)
{
    auto result = static_cast<CURLcode>(curlResult);
    Ref<Error> error;
    if (failure_) {
        error = makeURLError(failure_, request_->url(), failureDetail_);
    } else if (result != CURLE_OK) {
        std::string detail = errorText_[0] ? std::string(errorText_.data()) : std::string(curl_easy_strerror(result));
        error = makeURLError(urlErrorCodeFor(result), request_->url(), detail);
    }
    complete(handle_ ? response() : nullptr, error);
}

} // namespace foundation
