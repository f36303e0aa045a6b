#pragma once

#include "foundation/objects/Error.h"
#include "foundation/url/URLRequest.h"
#include "foundation/url/URLResponse.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

typedef void CURL;
struct curl_slist;

namespace foundation {

// How long a transfer may take and how much it may bring.
struct TransferLimits {
    // Time-outs that are not positive mean the default; all are capped at 30 days.
    // Seconds to set up the connection (TCP and TLS).
    double connectTimeout = URLRequest::DefaultTimeoutInterval;
    // Seconds without a byte received before the transfer fails as timed
    // out; libcurl counts whole seconds, so this is rounded up (at least 1).
    double idleTimeout = URLRequest::DefaultTimeoutInterval;
    // Seconds for the whole transfer; 0 for no bound.
    double totalTimeout = 0;
    // Body bytes beyond this fail the transfer with DataLengthExceedsMaximum.
    std::uint64_t maximumBodyBytes = 64u << 20;
};

// One HTTP exchange on a libcurl easy handle, driven by the TransferEngine.
// The base class sets the handle up from a request (method, header fields,
// body, redirects, decompression, time-outs, TLS verification, the test
// builds' connect-to override), gathers the final response's header fields
// and turns libcurl's result into a URL loading error. Subclasses say where
// the body goes and who hears of the end. Everything but the constructor
// runs on the engine's thread.
class Transfer {
public:
    Transfer(Ref<URLRequest> request, const TransferLimits& limits);
    virtual ~Transfer();
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    // Null when libcurl could not make a handle.
    CURL* handle() const noexcept { return handle_; }
    const URLRequest& request() const noexcept { return *request_; }

    // The engine's report that libcurl is done with the handle (a CURLcode).
    void finish(int curlResult);

protected:
    // A chunk of the body, within the limit. Answer false to stop the
    // transfer, after fail() has said why.
    virtual bool receive(std::string_view bytes) = 0;
    // The end, once: a response without error, or an error (and a response
    // only when the server's answer was cut off after its header).
    virtual void complete(Ref<HTTPURLResponse> response, Ref<Error> error) = 0;

    // Records why the transfer is being stopped; the first reason counts.
    void fail(long urlErrorCode, std::string detail = {});
    // The final response, made once its header is complete; null before.
    Ref<HTTPURLResponse> response();
    // Accepts the server whose public key has this pin ("sha256//…")
    // instead of verifying its certificate chain and name. Such a connection
    // is neither taken from nor left for other transfers.
    void trustOnlyPublicKey(const std::string& pin);
    // Makes this transfer only connect, on a fresh connection, accepting
    // any certificate so as to see what the server presents.
    void connectOnlyToSeeCertificates();
    // After a transfer made with connectOnlyToSeeCertificates: the server's
    // certificate chain in PEM form, leaf first.
    std::vector<std::string> serverCertificates() const;

private:
    static std::size_t writeBody(char* data, std::size_t size, std::size_t count, void* transfer);
    static std::size_t writeHeader(char* data, std::size_t size, std::size_t count, void* transfer);
    bool takeHeaderLine(std::string_view line);
    void applyRequest();
    void applyLimits(const TransferLimits& limits);

    CURL* handle_ = nullptr;
    curl_slist* requestHeaders_ = nullptr;
    curl_slist* connectTo_ = nullptr;  // test builds' connect-to override
    Ref<URLRequest> request_;
    std::uint64_t maximumBodyBytes_;
    std::uint64_t bodyBytes_ = 0;
    std::size_t headerBytes_ = 0;
    std::vector<HTTPURLResponse::HeaderField> headerFields_;
    Ref<HTTPURLResponse> response_;
    long failure_ = 0;
    std::string failureDetail_;
    std::string pin_;
    std::vector<char> errorText_;
};

} // namespace foundation
