#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

typedef struct ssl_ctx_st SSL_CTX;

namespace testsupport {

using HeaderFields = std::vector<std::pair<std::string, std::string>>;

// What the server answers on one path.
struct CannedReply {
    static CannedReply withBody(std::string body, int status = 200, HeaderFields headers = {})
    {
        CannedReply reply;
        reply.status = status;
        reply.headers = std::move(headers);
        reply.body = std::move(body);
        return reply;
    }
    static CannedReply stalling()
    {
        CannedReply reply;
        reply.stall = true;
        return reply;
    }
    static CannedReply hangingUp()
    {
        CannedReply reply;
        reply.closeWithoutReply = true;
        return reply;
    }

    // The head and the first `bodyBytes` bytes of `body`, then the end of
    // the connection: a reset (RST) or an orderly close, as if the server
    // had stopped half way. Content-Length still announces the whole body.
    enum class Cut { Reset, Close };
    static CannedReply cutOff(std::string body, std::size_t bodyBytes, Cut cut)
    {
        CannedReply reply = withBody(std::move(body));
        reply.cutAfter = bodyBytes;
        reply.cut = cut;
        return reply;
    }
    // The whole reply, one byte at a time with `interval` between bytes.
    static CannedReply trickling(std::string body, std::chrono::milliseconds interval)
    {
        CannedReply reply = withBody(std::move(body));
        reply.byteInterval = interval;
        return reply;
    }

    int status = 200;
    // Sent as given; Content-Length is added.
    HeaderFields headers;
    std::string body;
    // Wait this long before answering (cut short when the server stops).
    std::chrono::milliseconds delay{0};
    // Never answer: hold the connection open until the server stops.
    bool stall = false;
    // Close the connection at once, without an answer.
    bool closeWithoutReply = false;
    std::optional<std::size_t> cutAfter;
    Cut cut = Cut::Close;
    std::chrono::milliseconds byteInterval{0};
};

// One request as the server read it.
struct RecordedRequest {
    std::string method;
    std::string target;  // path and query, as sent
    HeaderFields headers;
    std::string body;
    // The TLS server name the client asked for (SNI); empty over plain HTTP.
    std::string tlsServerName;

    // Names compare without regard to case.
    std::optional<std::string> header(std::string_view name) const;
};

// An HTTP/1.1 server on 127.0.0.1 at an ephemeral port, started by a test,
// serving canned replies by path and recording every request. With TLS it
// presents a self-signed certificate made at start-up for `certificateHost`
// (and for 127.0.0.1). Each connection is served on its own thread, with
// keep-alive; the destructor stops everything, including stalled replies.
//
//   testsupport::LoopbackServer server(testsupport::LoopbackServer::Security::TLS, "userinfo.example");
//   server.setReply("/feed.json", CannedReply::withBody("{}", 200, {{"Content-Type", "application/json"}}));
//   ... fetch server.url("/feed.json"), or use the connect-to override for
//   ... "userinfo.example" and server.port() ...
//   ASSERT_TRUE(server.waitForRequests(1));
//   EXPECT_EQ(server.requests()[0].method, "GET");
//
// A path without a reply is answered 404 with a short text body.
class LoopbackServer {
public:
    enum class Security { Plain, TLS };

    explicit LoopbackServer(Security security = Security::Plain, std::string certificateHost = "localhost");
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const noexcept { return port_; }
    // "http://127.0.0.1:<port><path>", or "https://<certificateHost>:<port><path>"
    // (reach that name with the connect-to override).
    std::string url(std::string_view path = "/") const;
    const std::string& certificatePEM() const noexcept { return certificatePEM_; }

    // Matched against the request target, then against its path without the
    // query; a reply set for "*" answers every other path (targets the
    // client makes up, like a document id).
    void setReply(std::string path, CannedReply reply);

    std::vector<RecordedRequest> requests() const;
    // Waits (without polling) until `count` requests have been recorded;
    // false when that does not happen within the time-out.
    [[nodiscard]] bool waitForRequests(std::size_t count, std::chrono::seconds timeout = std::chrono::seconds(30)) const;

private:
    class Connection;

    void acceptConnections();
    void serve(int socket);
    CannedReply replyFor(const std::string& target) const;
    void record(RecordedRequest request);
    // False when the client went away or the server stops.
    bool writeReply(Connection& connection, std::string_view response, std::chrono::milliseconds byteInterval);
    // Waits for `delay` or until the server stops; true when it stops.
    bool waitUnlessStopping(std::chrono::milliseconds delay);

    Security security_;
    std::string certificateHost_;
    std::string certificatePEM_;
    SSL_CTX* tls_ = nullptr;
    int listener_ = -1;
    int wakeup_ = -1;
    int port_ = 0;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool stopping_ = false;
    std::map<std::string, CannedReply> replies_;
    std::vector<RecordedRequest> requests_;
    std::set<int> openSockets_;
    std::vector<std::thread> threads_;  // connection threads
    std::thread acceptor_;
};

// A loopback port on which nothing listens, so connections to it are
// refused: the port is bound (so no one else takes it) but not listened on.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    int port() const noexcept { return port_; }

private:
    int socket_ = -1;
    int port_ = 0;
};

} // namespace testsupport
