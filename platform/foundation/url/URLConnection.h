#pragma once

#include "foundation/objects/Data.h"
#include "foundation/objects/Error.h"
#include "foundation/url/URLAuthenticationChallenge.h"
#include "foundation/url/URLRequest.h"
#include "foundation/url/URLResponse.h"

namespace foundation {

class RunLoop;
class URLConnection;

// What a connection tells its delegate, always on the run loop of the thread
// that started the connection, in this order: for HTTPS, first
// canAuthenticateAgainstProtectionSpace with the server-trust space, and when
// it answers true, didReceiveAuthenticationChallenge; then
// didReceiveResponse, didReceiveData for each chunk of the body, and last
// either didFinishLoading or didFailWithError. Every callback has a default,
// so a delegate overrides only what it needs.
class URLConnectionDelegate : public Object {
public:
    virtual void didReceiveResponse(URLConnection& connection, const Ref<URLResponse>& response);
    virtual void didReceiveData(URLConnection& connection, const Ref<Data>& data);
    // False by default: the platform's own handling (normal verification).
    virtual bool canAuthenticateAgainstProtectionSpace(URLConnection& connection, const URLProtectionSpace& space);
    // By default answers continueWithoutCredential.
    virtual void didReceiveAuthenticationChallenge(URLConnection& connection, const Ref<URLAuthenticationChallenge>& challenge);
    virtual void didFailWithError(URLConnection& connection, const Ref<Error>& error);
    virtual void didFinishLoading(URLConnection& connection);
};

// One request, started at once by connectionWithRequest, reporting to a
// delegate on the starting thread's run loop (which must outlive the
// connection and be run for the callbacks to arrive). The connection keeps
// itself and its delegate alive until it has ended; the caller need not
// keep it.
//
// Server trust: before the request is sent, the connection sees the HTTPS
// server's certificate and asks the delegate. A challenge answered with
// useCredential(URLCredential::credentialForTrust(space.serverTrust()))
// accepts that server's key without certificate evaluation; any other
// answer leaves normal verification in force, under which a self-signed
// certificate fails the connection with ServerCertificateUntrusted (-1202);
// cancel fails it with Cancelled (-999).
//
// The body reaches the delegate in chunks; more than 64 MiB in all fails the
// connection with DataLengthExceedsMaximum. The request's timeoutInterval
// bounds connecting and each wait for bytes.
class URLConnection final : public URLAuthenticationChallengeSender {
public:
    static constexpr std::uint64_t MaximumBodyBytes = 64u << 20;

    // A null request, or one without a URL, fails with BadURL (-1000).
    static Ref<URLConnection> connectionWithRequest(Ref<URLRequest> request, Ref<URLConnectionDelegate> delegate);

    URLRequest* originalRequest() const noexcept { return request_.get(); }

    void useCredential(const Ref<URLCredential>& credential, URLAuthenticationChallenge& challenge) override;
    void continueWithoutCredential(URLAuthenticationChallenge& challenge) override;
    void cancel(URLAuthenticationChallenge& challenge) override;

    const char* className() const override { return "NSURLConnection"; }

private:
    friend class ConnectionTransfer;
    friend class TrustProbe;

    URLConnection(Ref<URLRequest> request, Ref<URLConnectionDelegate> delegate, RunLoop& loop)
        : request_(std::move(request)), delegate_(std::move(delegate)), loop_(loop) {}

    void start();
    // Sends the request; with a pin, the server with that key is trusted.
    void startTransfer(const std::string& trustedPublicKeyPin);
    // Run-loop side: each runs one step of the delegate conversation.
    void askAboutServerTrust(Ref<ServerTrust> trust);
    void deliverResponse(const Ref<URLResponse>& response);
    void deliverData(const Ref<Data>& data);
    void deliverEnd(const Ref<Error>& error);

    Ref<URLRequest> request_;
    Ref<URLConnectionDelegate> delegate_;  // touched on the run loop only; let go at the end
    RunLoop& loop_;
};

} // namespace foundation
