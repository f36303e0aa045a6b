#pragma once

#include "foundation/objects/Error.h"
#include "foundation/url/URLRequest.h"
#include "foundation/url/URLResponse.h"

#include <cstdint>
#include <curl/curl.h>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

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
//
// Every option is set through require() or prefer(), so that no refusal by
// libcurl passes in silence (an old or differently built libcurl refuses
// what it does not know or support).
class Transfer {
public:
    Transfer(Ref<URLRequest> request, const TransferLimits& limits);
    virtual ~Transfer();
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    // Null when libcurl could not make a handle.
    CURL* handle() const noexcept { return handle_; }
    // Whether the engine may start the transfer: there is a handle and
    // libcurl took every option the transfer requires. When not, the engine
    // finishes it at once, unstarted, and nothing is sent.
    bool canStart() const noexcept { return handle_ && !failure_; }
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

    // Sets an option the transfer must not go on without: what keeps it
    // safe (the allowed and redirect protocols, TLS verification, a public-
    // key pin, the connect-to override) and what makes the request the one
    // asked for (its URL, method, body, header fields, where its body and
    // header go). A refusal fails the transfer with `urlErrorCode`, its
    // detail naming the option and libcurl's reason, and it is never started.
    template <typename Value>
    void require(CURLoption option, Value value, long urlErrorCode)
    {
        static_assert(!std::is_same_v<Value, int>, "libcurl reads a long for a number option: write 1L, not 1");
        if (handle_)
            checkOption(option, curl_easy_setopt(handle_, option, value), urlErrorCode);
    }
    // Sets an option the transfer can do without (time-outs, decompression,
    // the redirect limit): a refusal goes to the log and the transfer goes on.
    template <typename Value>
    void prefer(CURLoption option, Value value)
    {
        static_assert(!std::is_same_v<Value, int>, "libcurl reads a long for a number option: write 1L, not 1");
        if (handle_)
            checkOption(option, curl_easy_setopt(handle_, option, value), 0);
    }

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
    // A refused option fails the transfer when urlErrorCode is not 0, and
    // is logged otherwise.
    void checkOption(CURLoption option, CURLcode result, long urlErrorCode);
    // Adds a line to a list handed to libcurl; a line that cannot be added
    // fails the transfer with urlErrorCode.
    void appendLine(curl_slist*& list, const std::string& line, long urlErrorCode);
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
