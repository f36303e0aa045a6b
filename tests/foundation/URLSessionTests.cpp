#include "foundation/url/ConnectToOverride.h"
#include "foundation/runloop/OperationQueue.h"
#include "foundation/runloop/RunLoop.h"
#include "foundation/url/URLError.h"
#include "foundation/url/URLSession.h"
#include "support/LoopbackServer.h"
#include "support/TemporaryDirectory.h"

#include <filesystem>
#include <future>
#include <gtest/gtest.h>

using namespace foundation;
using testsupport::CannedReply;
using testsupport::LoopbackServer;

namespace fs = std::filesystem;

namespace {

// What a completion saw, handed back to the test thread.
struct Outcome {
    Ref<Object> result;  // data or location
    Ref<HTTPURLResponse> response;
    Ref<Error> error;
    bool onMainThread = true;
    bool onBackgroundQueue = false;
};

using Report = std::function<void(Ref<Object>, Ref<URLResponse>, Ref<Error>)>;

// Runs a task and waits for its completion. The wait bound only keeps a
// broken build from hanging; no test relies on timing.
Outcome runTask(const std::function<void(Report)>& start)
{
    // Shared with the completion, which may still come after the test gave up.
    auto promise = std::make_shared<std::promise<Outcome>>();
    auto future = promise->get_future();
    start([promise](Ref<Object> result, Ref<URLResponse> response, Ref<Error> error) {
        promise->set_value({result, static_ref_cast<HTTPURLResponse>(response), error, RunLoop::isMainThread(),
            OperationQueue::currentQueue() == &OperationQueue::background()});
    });
    if (future.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
        ADD_FAILURE() << "the completion never ran";
        return {};
    }
    // The completion's block is over once the queue has nothing left.
    OperationQueue::background().waitUntilAllOperationsAreFinished();
    return future.get();
}

Outcome fetch(const Ref<URLSession>& session, std::string_view url)
{
    return runTask([&](Report report) { session->dataTaskWithURL(URL::create(url), report)->resume(); });
}

Outcome download(const Ref<URLSession>& session, std::string_view url, std::function<void(const Ref<URL>&)> inCompletion = nullptr)
{
    return runTask([&](Report report) {
        session->downloadTaskWithURL(URL::create(url), [report, inCompletion](Ref<URL> location, Ref<URLResponse> response, Ref<Error> error) {
            if (location && inCompletion)
                inCompletion(location);
            report(location, response, error);
        })->resume();
    });
}

Ref<URLSession> sessionWith(double timeout, std::uint64_t maximumResponseBytes = 64u << 20, std::string directory = {})
{
    URLSessionConfiguration configuration;
    configuration.timeoutIntervalForRequest = timeout;
    configuration.maximumResponseBytes = maximumResponseBytes;
    configuration.temporaryDirectory = std::move(directory);
    return URLSession::create(configuration);
}

std::string bodyOf(const Outcome& outcome)
{
    return outcome.result ? std::string(static_ref_cast<Data>(outcome.result)->view()) : std::string("(none)");
}

std::string refusedURL(const testsupport::RefusingPort& refusing, std::string_view path = "/")
{
    return "http://127.0.0.1:" + std::to_string(refusing.port()) + std::string(path);
}

} // namespace

TEST(URLSession, DataTaskDeliversTheReplyOnTheBackgroundQueue)
{
    LoopbackServer server;
    server.setReply("/feed.json", CannedReply::withBody(R"({"stable":[]})", 200, {{"Content-Type", "application/json; charset=utf-8"}, {"X-Note", "a"}}));
    server.setReply("/missing", CannedReply::withBody("not here", 404));
    server.setReply("/old", CannedReply::withBody("moved", 302, {{"Location", "/new"}}));
    server.setReply("/new", CannedReply::withBody("here"));

    Outcome found = fetch(URLSession::sharedSession(), server.url("/feed.json?x=1"));
    ASSERT_FALSE(found.error) << found.error->description();
    EXPECT_EQ(bodyOf(found), R"({"stable":[]})");
    EXPECT_EQ(found.response->statusCode(), 200);
    EXPECT_EQ(found.response->valueForHTTPHeaderField("x-note"), "a");
    EXPECT_EQ(found.response->MIMEType(), "application/json");
    EXPECT_EQ(found.response->expectedContentLength(), 13);
    EXPECT_FALSE(found.onMainThread);
    EXPECT_TRUE(found.onBackgroundQueue);
    EXPECT_EQ(server.requests()[0].method + " " + server.requests()[0].target, "GET /feed.json?x=1");

    // An error status is a reply like any other: its body is delivered.
    Outcome missing = fetch(URLSession::sharedSession(), server.url("/missing"));
    EXPECT_FALSE(missing.error);
    EXPECT_EQ(missing.response->statusCode(), 404);
    EXPECT_EQ(bodyOf(missing), "not here");

    Outcome redirected = fetch(URLSession::sharedSession(), server.url("/old"));
    EXPECT_EQ(bodyOf(redirected), "here");
    EXPECT_EQ(redirected.response->url()->absoluteString(), server.url("/new"));
}

TEST(URLSession, TransportFailuresGiveAnErrorAndNoData)
{
    testsupport::RefusingPort refusing;
    LoopbackServer server;
    server.setReply("/hang-up", CannedReply::hangingUp());
    server.setReply("/stall", CannedReply::stalling());
    server.setReply("/over", CannedReply::withBody(std::string(4097, 'x')));
    struct Case {
        const char* name;
        Ref<URLSession> session;
        std::string url;
        int code;
    };
    const Case cases[] = {
        {"refused", URLSession::sharedSession(), refusedURL(refusing), URLErrorCode::CannotConnectToHost},
        {"hung up", URLSession::sharedSession(), server.url("/hang-up"), URLErrorCode::NetworkConnectionLost},
        {"not a URL", URLSession::sharedSession(), "not a url", URLErrorCode::BadURL},
        {"never answers", sessionWith(1), server.url("/stall"), URLErrorCode::TimedOut},
        // A body over the limit is an error, not an allocation.
        {"over the limit", sessionWith(60, 4096), server.url("/over"), URLErrorCode::DataLengthExceedsMaximum},
    };
    for (const Case& test : cases) {
        Outcome outcome = fetch(test.session, test.url);
        ASSERT_TRUE(outcome.error) << test.name;
        EXPECT_EQ(outcome.error->domain().utf8(), "NSURLErrorDomain") << test.name;
        EXPECT_EQ(outcome.error->code(), test.code) << test.name;
        EXPECT_FALSE(outcome.result) << test.name;
        EXPECT_FALSE(outcome.onMainThread) << test.name;
    }
}

// A body that stops short of its Content-Length is a lost connection, never
// a shorter success, whether the server resets or closes half way.
TEST(URLSession, ABodyCutShortIsAnErrorAndNoData)
{
    LoopbackServer server;
    const std::string feed(2000, 'f');
    server.setReply("/reset", CannedReply::cutOff(feed, 1000, CannedReply::Cut::Reset));
    server.setReply("/closed", CannedReply::cutOff(feed, 1000, CannedReply::Cut::Close));
    for (const char* path : {"/reset", "/closed"}) {
        Outcome outcome = fetch(URLSession::sharedSession(), server.url(path));
        ASSERT_TRUE(outcome.error) << path;
        EXPECT_EQ(outcome.error->code(), URLErrorCode::NetworkConnectionLost) << path;
        EXPECT_FALSE(outcome.result) << path;
    }
}

TEST(URLSession, AReplyArrivingByteByByteIsDeliveredWhole)
{
    LoopbackServer server;
    server.setReply("/slow", CannedReply::trickling(R"({"stable":[]})", std::chrono::milliseconds(2)));
    Outcome slow = fetch(URLSession::sharedSession(), server.url("/slow"));
    EXPECT_FALSE(slow.error);
    EXPECT_EQ(bodyOf(slow), R"({"stable":[]})");
}

TEST(URLSession, ABodyOfExactlyTheLimitIsDelivered)
{
    LoopbackServer server;
    server.setReply("/exact", CannedReply::withBody(std::string(4096, 'x')));
    Outcome exact = fetch(sessionWith(60, 4096), server.url("/exact"));
    EXPECT_FALSE(exact.error);
    EXPECT_EQ(bodyOf(exact).size(), 4096u);
}

TEST(URLSession, DownloadFileLivesOnlyUntilTheCompletionReturnsUnlessMovedAway)
{
    testsupport::TemporaryDirectory directory;
    LoopbackServer server;
    server.setReply("/site/zvk/a/x.dmg", CannedReply::withBody("disk image"));
    Ref<URLSession> session = sessionWith(60, 64u << 20, directory.path());

    std::string seenPath;
    std::string seenContent;
    Outcome left = download(session, server.url("/site/zvk/a/x.dmg"), [&](const Ref<URL>& location) {
        seenPath = location->path();
        seenContent = testsupport::readFile(seenPath);
    });
    ASSERT_FALSE(left.error);
    EXPECT_TRUE(static_ref_cast<URL>(left.result)->isFileURL());
    EXPECT_EQ(fs::path(seenPath).parent_path(), directory.path());
    EXPECT_EQ(seenContent, "disk image");
    EXPECT_FALSE(left.onMainThread);
    EXPECT_TRUE(fs::is_empty(directory.path()));

    fs::path destination = directory / "x.dmg";
    Outcome moved = download(session, server.url("/site/zvk/a/x.dmg"), [&](const Ref<URL>& location) {
        fs::rename(location->path(), destination);
    });
    ASSERT_FALSE(moved.error);
    EXPECT_EQ(testsupport::readFile(destination), "disk image");
    EXPECT_EQ(std::distance(fs::directory_iterator(directory.path()), fs::directory_iterator()), 1);
}

TEST(URLSession, AFailedDownloadLeavesNoFile)
{
    testsupport::TemporaryDirectory directory;
    Ref<URLSession> session = sessionWith(60, 64u << 20, directory.path());
    testsupport::RefusingPort refusing;
    Outcome failed = download(session, refusedURL(refusing, "/x.dmg"));
    EXPECT_EQ(failed.error ? failed.error->code() : 0, URLErrorCode::CannotConnectToHost);
    EXPECT_FALSE(failed.result);
    EXPECT_TRUE(fs::is_empty(directory.path()));
}

TEST(URLSession, ADownloadWhoseServerStopsHalfWayLeavesNoFile)
{
    testsupport::TemporaryDirectory directory;
    Ref<URLSession> session = sessionWith(60, 64u << 20, directory.path());
    LoopbackServer server;
    server.setReply("/x.dmg", CannedReply::cutOff(std::string(100000, 'd'), 50000, CannedReply::Cut::Close));
    Outcome failed = download(session, server.url("/x.dmg"));
    EXPECT_EQ(failed.error ? failed.error->code() : 0, URLErrorCode::NetworkConnectionLost);
    EXPECT_FALSE(failed.result);
    EXPECT_TRUE(fs::is_empty(directory.path()));
}

TEST(URLSession, TheConnectToOverrideKeepsTheHostName)
{
    LoopbackServer plain;
    plain.setReply("/data.json", CannedReply::withBody("{}"));
    ConnectToOverride::set("packages.zvk-erlang.example", 80, plain.port());
    Outcome fetched = fetch(URLSession::sharedSession(), "http://packages.zvk-erlang.example/data.json");
    ConnectToOverride::clear();

    ASSERT_FALSE(fetched.error) << fetched.error->description();
    EXPECT_EQ(bodyOf(fetched), "{}");
    ASSERT_EQ(plain.requests().size(), 1u);
    EXPECT_EQ(plain.requests()[0].header("Host"), "packages.zvk-erlang.example");
}

TEST(URLSession, ASelfSignedServerIsRefused)
{
    // Reached by its certificate's name through the override.
    LoopbackServer tls(LoopbackServer::Security::TLS, "userinfo.zvk-erlang.example");
    ConnectToOverride::set("userinfo.zvk-erlang.example", 6984, tls.port());
    Outcome refused = fetch(URLSession::sharedSession(), "https://userinfo.zvk-erlang.example:6984/userinfo/x");
    ConnectToOverride::clear();

    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->code(), URLErrorCode::ServerCertificateUntrusted);
    EXPECT_TRUE(tls.requests().empty());
}
