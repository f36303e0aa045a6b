#include "foundation/url/URLConnection.h"

#include "foundation/runloop/RunLoop.h"
#include "foundation/url/internal/Transfer.h"
#include "foundation/url/internal/TransferEngine.h"
#include "foundation/url/URLCredentialStorage.h"
#include "foundation/url/URLError.h"

namespace foundation {

void URLConnectionDelegate::didReceiveResponse(URLConnection&, const Ref<URLResponse>&) {}
void URLConnectionDelegate::didReceiveData(URLConnection&, const Ref<Data>&) {}
bool URLConnectionDelegate::canAuthenticateAgainstProtectionSpace(URLConnection&, const URLProtectionSpace&) { return false; }
void URLConnectionDelegate::didFailWithError(URLConnection&, const Ref<Error>&) {}
void URLConnectionDelegate::didFinishLoading(URLConnection&) {}

void URLConnectionDelegate::didReceiveAuthenticationChallenge(URLConnection&, const Ref<URLAuthenticationChallenge>& challenge)
{
    challenge->sender().continueWithoutCredential(*challenge);
}

namespace {

TransferLimits limitsFor(const URLRequest& request)
{
    TransferLimits limits;
    limits.connectTimeout = request.timeoutInterval();
    limits.idleTimeout = request.timeoutInterval();
    limits.maximumBodyBytes = URLConnection::MaximumBodyBytes;
    return limits;
}

} // namespace

// Connects to the HTTPS server only to see the certificate it presents.
class TrustProbe final : public Transfer {
public:
    explicit TrustProbe(Ref<URLConnection> connection)
        : Transfer(connection->request_, limitsFor(*connection->request_))
        , connection_(std::move(connection))
    {
        connectOnlyToSeeCertificates();
    }

private:
    bool receive(std::string_view) override { return true; }

    void complete(Ref<HTTPURLResponse>, Ref<Error> error) override
    {
        Ref<ServerTrust> trust;
        if (!error) {
            trust = ServerTrust::create(request().url()->host(), serverCertificates());
            if (!trust)
                error = makeURLError(URLErrorCode::SecureConnectionFailed, request().url(), "no readable server certificate");
        }
        if (error) {
            connection_->loop_.post([connection = connection_, error] { connection->deliverEnd(error); });
            return;
        }
        connection_->loop_.post([connection = connection_, trust] { connection->askAboutServerTrust(trust); });
    }

    Ref<URLConnection> connection_;
};

// The request itself, reporting each step to the connection's run loop.
class ConnectionTransfer final : public Transfer {
public:
    ConnectionTransfer(Ref<URLConnection> connection, const std::string& trustedPublicKeyPin)
        : Transfer(connection->request_, limitsFor(*connection->request_))
        , connection_(std::move(connection))
    {
        if (!trustedPublicKeyPin.empty())
            trustOnlyPublicKey(trustedPublicKeyPin);
    }

private:
    bool receive(std::string_view bytes) override
    {
        postResponseOnce();
        Ref<Data> data = Data::create(bytes);
        connection_->loop_.post([connection = connection_, data] { connection->deliverData(data); });
        return true;
    }

    void complete(Ref<HTTPURLResponse>, Ref<Error> error) override
    {
        if (!error)
            postResponseOnce();
        connection_->loop_.post([connection = connection_, error] { connection->deliverEnd(error); });
    }

    void postResponseOnce()
    {
        if (responsePosted_)
            return;
        responsePosted_ = true;
        if (Ref<URLResponse> answer = response())
            connection_->loop_.post([connection = connection_, answer] { connection->deliverResponse(answer); });
    }

    Ref<URLConnection> connection_;
    bool responsePosted_ = false;
};

Ref<URLConnection> URLConnection::connectionWithRequest(Ref<URLRequest> request, Ref<URLConnectionDelegate> delegate)
{
    Ref<URLRequest> copy = request ? static_ref_cast<URLRequest>(request->copy()) : nullptr;
    Ref<URLConnection> connection = Ref<URLConnection>::adopt(new URLConnection(std::move(copy), std::move(delegate), RunLoop::current()));
    connection->start();
    return connection;
}

void URLConnection::start()
{
    if (!request_ || !request_->url()) {
        Ref<Error> error = makeURLError(URLErrorCode::BadURL, nullptr);
        loop_.post([connection = Ref<URLConnection>(this), error] { connection->deliverEnd(error); });
        return;
    }
    if (request_->url()->scheme() == "https")
        TransferEngine::shared().start(std::make_unique<TrustProbe>(Ref<URLConnection>(this)));
    else
        startTransfer({});
}

void URLConnection::startTransfer(const std::string& trustedPublicKeyPin)
{
    TransferEngine::shared().start(std::make_unique<ConnectionTransfer>(Ref<URLConnection>(this), trustedPublicKeyPin));
}

void URLConnection::askAboutServerTrust(Ref<ServerTrust> trust)
{
    URL& url = *request_->url();
    Ref<URLProtectionSpace> space = URLProtectionSpace::forServerTrust(trust, url.port().value_or(443), URLProtectionSpaceProtocol::HTTPS);
    if (!delegate_ || !delegate_->canAuthenticateAgainstProtectionSpace(*this, *space)) {
        startTransfer({});
        return;
    }
    Ref<URLCredential> proposed = URLCredentialStorage::sharedCredentialStorage().defaultCredentialForProtectionSpace(*space);
    Ref<URLAuthenticationChallenge> challenge = URLAuthenticationChallenge::create(space, proposed, 0, Ref<URLAuthenticationChallengeSender>(this));
    // Keep the delegate through the call even if it answers by cancelling.
    Ref<URLConnectionDelegate> delegate = delegate_;
    delegate->didReceiveAuthenticationChallenge(*this, challenge);
}

void URLConnection::useCredential(const Ref<URLCredential>& credential, URLAuthenticationChallenge& challenge)
{
    if (!challenge.takeAnswer())
        return;
    ServerTrust* offered = credential ? credential->serverTrust() : nullptr;
    ServerTrust* presented = challenge.protectionSpace().serverTrust();
    // Only a credential for the very key this server presented skips
    // verification; anything else leaves it in force.
    bool trusted = offered && presented && offered->publicKeyPin() == presented->publicKeyPin();
    startTransfer(trusted ? presented->publicKeyPin() : std::string());
}

void URLConnection::continueWithoutCredential(URLAuthenticationChallenge& challenge)
{
    if (challenge.takeAnswer())
        startTransfer({});
}

void URLConnection::cancel(URLAuthenticationChallenge& challenge)
{
    if (!challenge.takeAnswer())
        return;
    Ref<Error> error = makeURLError(URLErrorCode::Cancelled, request_->url());
    loop_.post([connection = Ref<URLConnection>(this), error] { connection->deliverEnd(error); });
}

void URLConnection::deliverResponse(const Ref<URLResponse>& response)
{
    if (delegate_)
        delegate_->didReceiveResponse(*this, response);
}

void URLConnection::deliverData(const Ref<Data>& data)
{
    if (delegate_)
        delegate_->didReceiveData(*this, data);
}

void URLConnection::deliverEnd(const Ref<Error>& error)
{
    Ref<URLConnectionDelegate> delegate = std::move(delegate_);
    if (!delegate)
        return;
    if (error)
        delegate->didFailWithError(*this, error);
    else
        delegate->didFinishLoading(*this);
}

} // namespace foundation
