#include "support/LoopbackServer.h"

#include "support/SelfSignedCertificate.h"

#include <arpa/inet.h>
#include <charconv>
#include <csignal>
#include <cstring>
#include <memory>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <stdexcept>
#include <strings.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {
namespace {

constexpr std::size_t MaximumHeadBytes = 1u << 20;

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::optional<std::string> fieldValue(const HeaderFields& fields, std::string_view name)
{
    for (const auto& [field, value] : fields) {
        if (sameName(field, name))
            return value;
    }
    return std::nullopt;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

const char* reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error("loopback server: " + what + ": " + std::strerror(errno));
}

// Binds a TCP socket to 127.0.0.1 at an ephemeral port; answers the port.
int bindLoopback(int socket)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        fail("bind");
    socklen_t length = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        fail("getsockname");
    return ntohs(address.sin_port);
}

SSL_CTX* makeTLSContext(const SelfSignedCertificate& certificate)
{
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (!context)
        throw std::runtime_error("loopback server: no TLS context");
    std::unique_ptr<BIO, decltype(&BIO_free)> certificateInput(
        BIO_new_mem_buf(certificate.certificatePEM.data(), static_cast<int>(certificate.certificatePEM.size())), &BIO_free);
    std::unique_ptr<BIO, decltype(&BIO_free)> keyInput(
        BIO_new_mem_buf(certificate.privateKeyPEM.data(), static_cast<int>(certificate.privateKeyPEM.size())), &BIO_free);
    std::unique_ptr<X509, decltype(&X509_free)> x509(PEM_read_bio_X509(certificateInput.get(), nullptr, nullptr, nullptr), &X509_free);
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        PEM_read_bio_PrivateKey(keyInput.get(), nullptr, nullptr, nullptr), &EVP_PKEY_free);
    if (!x509 || !key || SSL_CTX_use_certificate(context, x509.get()) != 1 || SSL_CTX_use_PrivateKey(context, key.get()) != 1) {
        SSL_CTX_free(context);
        throw std::runtime_error("loopback server: cannot load the test certificate");
    }
    return context;
}

} // namespace

// One accepted socket, plain or TLS.
class LoopbackServer::Connection {
public:
    Connection(int socket, SSL_CTX* tls) : socket_(socket)
    {
        if (tls) {
            ssl_ = SSL_new(tls);
            SSL_set_fd(ssl_, socket_);
        }
    }
    ~Connection()
    {
        if (ssl_)
            SSL_free(ssl_);
    }

    // The TLS handshake; true at once over plain HTTP.
    bool handshake()
    {
        if (!ssl_)
            return true;
        bool accepted = SSL_accept(ssl_) == 1;
        ERR_clear_error();
        return accepted;
    }
    std::string serverName() const
    {
        const char* name = ssl_ ? SSL_get_servername(ssl_, TLSEXT_NAMETYPE_host_name) : nullptr;
        return name ? name : "";
    }
    // Appends what arrives; false at the end of the stream or on an error.
    bool readMore(std::string& buffer)
    {
        char chunk[16 * 1024];
        long count = ssl_ ? SSL_read(ssl_, chunk, sizeof chunk) : ::recv(socket_, chunk, sizeof chunk, 0);
        if (count <= 0) {
            ERR_clear_error();
            return false;
        }
        buffer.append(chunk, static_cast<std::size_t>(count));
        return true;
    }
    bool writeAll(std::string_view bytes)
    {
        while (!bytes.empty()) {
            long count = ssl_ ? SSL_write(ssl_, bytes.data(), static_cast<int>(bytes.size()))
                              : ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (count <= 0) {
                ERR_clear_error();
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(count));
        }
        return true;
    }

private:
    int socket_;
    SSL* ssl_ = nullptr;
};

std::optional<std::string> RecordedRequest::header(std::string_view name) const
{
    return fieldValue(headers, name);
}

LoopbackServer::LoopbackServer(Security security, std::string certificateHost)
    : security_(security)
    , certificateHost_(std::move(certificateHost))
{
    // A client that hangs up must not kill the test with SIGPIPE from a TLS write.
    std::signal(SIGPIPE, SIG_IGN);
    if (security_ == Security::TLS) {
        // The URL layer's transfer thread is never joined, so OpenSSL must
        // not free its state at exit under it. The layer asks for that when
        // it starts OpenSSL, but a test server often starts it first.
        OPENSSL_init_ssl(OPENSSL_INIT_NO_ATEXIT, nullptr);
        SelfSignedCertificate certificate = SelfSignedCertificate::create(certificateHost_);
        certificatePEM_ = certificate.certificatePEM;
        tls_ = makeTLSContext(certificate);
    }
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0)
        fail("socket");
    port_ = bindLoopback(listener_);
    if (listen(listener_, 64) != 0)
        fail("listen");
    wakeup_ = eventfd(0, EFD_CLOEXEC);
    if (wakeup_ < 0)
        fail("eventfd");
    acceptor_ = std::thread([this] { acceptConnections(); });
}

LoopbackServer::~LoopbackServer()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (int socket : openSockets_)
            shutdown(socket, SHUT_RDWR);
    }
    changed_.notify_all();
    std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(wakeup_, &one, sizeof one);
    acceptor_.join();
    for (std::thread& thread : threads_)
        thread.join();
    ::close(listener_);
    ::close(wakeup_);
    if (tls_)
        SSL_CTX_free(tls_);
}

std::string LoopbackServer::url(std::string_view path) const
{
    if (security_ == Security::TLS)
        return "https://" + certificateHost_ + ":" + std::to_string(port_) + std::string(path);
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

void LoopbackServer::setReply(std::string path, CannedReply reply)
{
    std::lock_guard lock(mutex_);
    replies_[std::move(path)] = std::move(reply);
}

std::vector<RecordedRequest> LoopbackServer::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

bool LoopbackServer::waitForRequests(std::size_t count, std::chrono::seconds timeout) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

void LoopbackServer::acceptConnections()
{
    pollfd watched[2] = {{listener_, POLLIN, 0}, {wakeup_, POLLIN, 0}};
    for (;;) {
        if (poll(watched, 2, -1) < 0 && errno != EINTR)
            return;
        if (watched[1].revents)
            return;
        if (!(watched[0].revents & POLLIN))
            continue;
        int socket = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0)
            continue;
        std::lock_guard lock(mutex_);
        if (stopping_) {
            ::close(socket);
            return;
        }
        openSockets_.insert(socket);
        threads_.emplace_back([this, socket] { serve(socket); });
    }
}

CannedReply LoopbackServer::replyFor(const std::string& target) const
{
    std::lock_guard lock(mutex_);
    auto found = replies_.find(target);
    if (found == replies_.end())
        found = replies_.find(target.substr(0, target.find('?')));
    if (found == replies_.end())
        found = replies_.find("*");
    if (found != replies_.end())
        return found->second;
    CannedReply missing;
    missing.status = 404;
    missing.headers = {{"Content-Type", "text/plain"}};
    missing.body = "no reply for " + target;
    return missing;
}

void LoopbackServer::record(RecordedRequest request)
{
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(std::move(request));
    }
    changed_.notify_all();
}

bool LoopbackServer::writeReply(Connection& connection, std::string_view response, std::chrono::milliseconds byteInterval)
{
    if (byteInterval.count() == 0)
        return connection.writeAll(response);
    for (char byte : response) {
        if (!connection.writeAll({&byte, 1}) || waitUnlessStopping(byteInterval))
            return false;
    }
    return true;
}

bool LoopbackServer::waitUnlessStopping(std::chrono::milliseconds delay)
{
    std::unique_lock lock(mutex_);
    if (delay == std::chrono::milliseconds::max()) {
        changed_.wait(lock, [&] { return stopping_; });
        return true;
    }
    return changed_.wait_for(lock, delay, [&] { return stopping_; });
}

void LoopbackServer::serve(int socket)
{
    {
        Connection connection(socket, tls_);
        std::string serverName;
        bool open = connection.handshake();
        if (open)
            serverName = connection.serverName();
        std::string buffer;
        while (open) {
            std::size_t headEnd;
            while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos && buffer.size() < MaximumHeadBytes) {
                if (!connection.readMore(buffer))
                    break;
            }
            if (headEnd == std::string::npos)
                break;

            RecordedRequest request;
            request.tlsServerName = serverName;
            std::string_view head(buffer.data(), headEnd);
            std::size_t lineEnd = head.find("\r\n");
            std::string_view requestLine = head.substr(0, lineEnd);
            std::size_t firstSpace = requestLine.find(' ');
            std::size_t secondSpace = requestLine.find(' ', firstSpace + 1);
            request.method = requestLine.substr(0, firstSpace);
            request.target = requestLine.substr(firstSpace + 1, secondSpace - firstSpace - 1);
            while (lineEnd != std::string_view::npos) {
                std::size_t start = lineEnd + 2;
                lineEnd = head.find("\r\n", start);
                std::string_view line = head.substr(start, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - start);
                std::size_t colon = line.find(':');
                if (colon != std::string_view::npos)
                    request.headers.emplace_back(trimmed(line.substr(0, colon)), trimmed(line.substr(colon + 1)));
            }

            std::string lengthText = request.header("Content-Length").value_or("0");
            std::size_t bodyLength = 0;
            auto [end, error] = std::from_chars(lengthText.data(), lengthText.data() + lengthText.size(), bodyLength);
            if (error != std::errc() || end != lengthText.data() + lengthText.size())
                break;
            std::size_t bodyStart = headEnd + 4;
            while (buffer.size() < bodyStart + bodyLength && connection.readMore(buffer)) {
            }
            if (buffer.size() < bodyStart + bodyLength)
                break;
            request.body = buffer.substr(bodyStart, bodyLength);
            buffer.erase(0, bodyStart + bodyLength);
            bool closeAfter = sameName(request.header("Connection").value_or(""), "close");
            bool isHead = request.method == "HEAD";
            std::string target = request.target;
            record(std::move(request));

            CannedReply reply = replyFor(target);
            if (reply.closeWithoutReply)
                break;
            if (reply.stall) {
                waitUnlessStopping(std::chrono::milliseconds::max());
                break;
            }
            if (reply.delay.count() > 0 && waitUnlessStopping(reply.delay))
                break;

            std::string response = "HTTP/1.1 " + std::to_string(reply.status) + " " + reasonPhrase(reply.status) + "\r\n";
            for (const auto& [name, value] : reply.headers)
                response += name + ": " + value + "\r\n";
            response += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n";
            if (!isHead)
                response += reply.body.substr(0, reply.cutAfter.value_or(std::string::npos));
            if (!writeReply(connection, response, reply.byteInterval))
                break;
            if (reply.cutAfter) {
                if (reply.cut == CannedReply::Cut::Reset) {
                    // A zero linger time makes close() send RST instead of FIN.
                    linger abort{1, 0};
                    ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
                }
                break;
            }
            if (closeAfter)
                break;
        }
    }
    std::lock_guard lock(mutex_);
    openSockets_.erase(socket);
    ::close(socket);
}

RefusingPort::RefusingPort()
{
    socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket_ < 0)
        fail("socket");
    port_ = bindLoopback(socket_);
}

RefusingPort::~RefusingPort()
{
    ::close(socket_);
}

} // namespace testsupport
