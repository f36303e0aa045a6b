#include "foundation/url/internal/Transfer.h"

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

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
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
    curl_easy_setopt(handle_, CURLOPT_PRIVATE, this);
    curl_easy_setopt(handle_, CURLOPT_ERRORBUFFER, errorText_.data());
    curl_easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle_, CURLOPT_URL, request_->url()->absoluteString().c_str());
    // The path goes out exactly as given: "/./" and "/../" are the server's to judge.
    curl_easy_setopt(handle_, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(handle_, CURLOPT_PROTOCOLS_STR, "http,https");
    // A redirect never leaves TLS once a request started on it: a body or
    // credentials sent over https must not be re-sent in clear text.
    bool secure = ::strcasecmp(std::string(request_->url()->scheme()).c_str(), "https") == 0;
    curl_easy_setopt(handle_, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    curl_easy_setopt(handle_, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle_, CURLOPT_MAXREDIRS, MaximumRedirects);
    curl_easy_setopt(handle_, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, &Transfer::writeBody);
    curl_easy_setopt(handle_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(handle_, CURLOPT_HEADERFUNCTION, &Transfer::writeHeader);
    curl_easy_setopt(handle_, CURLOPT_HEADERDATA, this);
    applyRequest();
    applyLimits(limits);
#if ENABLE_TEST_SEAMS
    for (const std::string& entry : ConnectToOverride::entries())
        connectTo_ = curl_slist_append(connectTo_, entry.c_str());
    if (connectTo_)
        curl_easy_setopt(handle_, CURLOPT_CONNECT_TO, connectTo_);
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
    const std::string& method = request_->HTTPMethod();
    if (method == "GET") {
        curl_easy_setopt(handle_, CURLOPT_HTTPGET, 1L);
    } else if (method == "HEAD") {
        curl_easy_setopt(handle_, CURLOPT_NOBODY, 1L);
    } else {
        curl_easy_setopt(handle_, CURLOPT_CUSTOMREQUEST, method.c_str());
        // The request (and so its body) lives as long as the transfer.
        Data* body = request_->HTTPBody();
        curl_easy_setopt(handle_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body ? body->length() : 0));
        curl_easy_setopt(handle_, CURLOPT_POSTFIELDS, body ? reinterpret_cast<const char*>(body->bytes()) : "");
    }

    for (const auto& [name, value] : request_->allHTTPHeaderFields()) {
        // "Name;" is libcurl's way to send a field with an empty value.
        std::string line = value.empty() ? name + ";" : name + ": " + value;
        requestHeaders_ = curl_slist_append(requestHeaders_, line.c_str());
    }
    // No "Expect: 100-continue" round trip before a body, and no form
    // content type made up by libcurl for a body the request did not type.
    requestHeaders_ = curl_slist_append(requestHeaders_, "Expect:");
    if (!request_->valueForHTTPHeaderField("Content-Type"))
        requestHeaders_ = curl_slist_append(requestHeaders_, "Content-Type:");
    curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, requestHeaders_);
}

void Transfer::applyLimits(const TransferLimits& limits)
{
    curl_easy_setopt(handle_, CURLOPT_CONNECTTIMEOUT_MS, milliseconds(usableTimeout(limits.connectTimeout)));
    curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_TIME, std::max(1L, static_cast<long>(std::ceil(usableTimeout(limits.idleTimeout)))));
    if (limits.totalTimeout > 0)
        curl_easy_setopt(handle_, CURLOPT_TIMEOUT_MS, milliseconds(usableTimeout(limits.totalTimeout)));
}

void Transfer::trustOnlyPublicKey(const std::string& pin)
{
    pin_ = pin;
    curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(handle_, CURLOPT_PINNEDPUBLICKEY, pin_.c_str());
    curl_easy_setopt(handle_, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(handle_, CURLOPT_FORBID_REUSE, 1L);
}

void Transfer::connectOnlyToSeeCertificates()
{
    curl_easy_setopt(handle_, CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(handle_, CURLOPT_CERTINFO, 1L);
    curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYHOST, 0L);
    // A pooled connection would show no certificates: its handshake is over.
    curl_easy_setopt(handle_, CURLOPT_FRESH_CONNECT, 1L);
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
