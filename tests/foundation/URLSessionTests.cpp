#include "foundation/ConnectToOverride.h"
#include "foundation/OperationQueue.h"
#include "foundation/RunLoop.h"
#include "foundation/URLError.h"
#include "foundation/URLSession.h"
#include "support/LoopbackServer.h"
#include "support/TemporaryDirectory.h"

#include <filesystem>
#include <future>
#include <gtest/gtest.h>

using namespace foundation;
using testsupport::CannedReply;
using testsupport::LoopbackServer;

namespace {

// What a completion saw, handed back to the test thread.
struct Outcome {
    Ref<Object> result;  // data or location
    Ref<HTTPURLResponse> response;
    Ref<Error> error;
    bool onMainThread = true;
    bool onBackgroundQueue = false;
    bool fileExistedInCompletion = false;
};

// Runs a task and waits for its completion. The wait bound only keeps a
// broken build from hanging; no test relies on timing.
template <typename Completion, typename Start>
Outcome runTask(Start start)
{
    std::promise<Outcome> promise;
    auto future = promise.get_future();
    start([&promise](Ref<Object> result, Ref<URLResponse> response, Ref<Error> error) {
        Outcome outcome;
        outcome.result = result;
        outcome.response = static_ref_cast<HTTPURLResponse>(response);
        outcome.error = error;
        outcome.onMainThread = RunLoop::isMainThread();
        outcome.onBackgroundQueue = OperationQueue::currentQueue() == &OperationQueue::background();
        promise.set_value(outcome);
    });
    if (future.wait_for(std::chrono::seconds(60)) != std::future_status::ready)
        ADD_FAILURE() << "the completion never ran";
    // The completion's block is over once the queue has nothing left.
    OperationQueue::background().waitUntilAllOperationsAreFinished();
    return future.get();
}

Outcome fetch(const Ref<URLSession>& session, std::string_view url)
{
    return runTask<void>([&](auto report) {
        session->dataTaskWithURL(URL::create(url), [report](Ref<Data> data, Ref<URLResponse> response, Ref<Error> error) {
            report(data, response, error);
        })->resume();
    });
}

Outcome download(const Ref<URLSession>& session, std::string_view url,
    std::function<void(const Ref<URL>&)> inCompletion = nullptr)
{
    return runTask<void>([&](auto report) {
        session->downloadTaskWithURL(URL::create(url),
            [report, inCompletion](Ref<URL> location, Ref<URLResponse> response, Ref<Error> error) {
                if (location && inCompletion)
                    inCompletion(location);
                report(location, response, error);
            })->resume();
    });
}

Ref<URLSession> sessionWith(double timeout = 60, std::uint64_t maximumResponseBytes = 64u << 20, std::string directory = {})
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

} // namespace

TEST(URLSession, DataTaskDeliversBodyStatusAndHeadersOnTheBackgroundQueue)
{
    LoopbackServer server;
    server.setReply("/feed.json", CannedReply::withBody(R"({"stable":[]})", 200, {{"Content-Type", "application/json; charset=utf-8"}, {"X-Note", "a"}}));
    server.setReply("/missing", CannedReply::withBody("not here", 404));

    Outcome found = fetch(URLSession::sharedSession(), server.url("/feed.json?x=1"));
    ASSERT_FALSE(found.error) << found.error->description();
    EXPECT_EQ(bodyOf(found), R"({"stable":[]})");
    EXPECT_EQ(found.response->statusCode(), 200);
    EXPECT_EQ(found.response->valueForHTTPHeaderField("x-note"), "a");
    EXPECT_EQ(found.response->MIMEType(), "application/json");
    EXPECT_EQ(found.response->expectedContentLength(), 13);
    EXPECT_FALSE(found.onMainThread);
    EXPECT_TRUE(found.onBackgroundQueue);

    // An error status is a reply like any other: its body is delivered.
    Outcome missing = fetch(URLSession::sharedSession(), server.url("/missing"));
    EXPECT_FALSE(missing.error);
    EXPECT_EQ(missing.response->statusCode(), 404);
    EXPECT_EQ(bodyOf(missing), "not here");

    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.requests()[0].method, "GET");
    EXPECT_EQ(server.requests()[0].target, "/feed.json?x=1");
}

TEST(URLSession, SendsTheRequestAsGiven)
{
    LoopbackServer server;
    Ref<MutableURLRequest> request = MutableURLRequest::create(URL::create(server.url("/upload")));
    request->setHTTPMethod("POST");
    request->setHTTPBody(Data::create("a=1"));
    request->addValue("yes", "X-Flag");
    Outcome outcome = runTask<void>([&](auto report) {
        URLSession::sharedSession()->dataTaskWithRequest(request, [report](Ref<Data> data, Ref<URLResponse> response, Ref<Error> error) {
            report(data, response, error);
        })->resume();
    });
    ASSERT_FALSE(outcome.error);
    ASSERT_EQ(server.requests().size(), 1u);
    testsupport::RecordedRequest received = server.requests()[0];
    EXPECT_EQ(received.method, "POST");
    EXPECT_EQ(received.body, "a=1");
    EXPECT_EQ(received.header("X-Flag"), "yes");
    EXPECT_EQ(received.header("Content-Type"), std::nullopt);
    EXPECT_EQ(received.header("Expect"), std::nullopt);
}

TEST(URLSession, FollowsRedirectsAndReportsTheFinalURL)
{
    LoopbackServer server;
    server.setReply("/old", CannedReply::withBody("moved", 302, {{"Location", "/new"}}));
    server.setReply("/new", CannedReply::withBody("here"));
    Outcome outcome = fetch(URLSession::sharedSession(), server.url("/old"));
    ASSERT_FALSE(outcome.error);
    EXPECT_EQ(bodyOf(outcome), "here");
    EXPECT_EQ(outcome.response->url()->absoluteString(), server.url("/new"));
}

TEST(URLSession, TransportFailuresGiveAnErrorAndNoData)
{
    testsupport::RefusingPort refusing;
    Outcome refused = fetch(URLSession::sharedSession(), "http://127.0.0.1:" + std::to_string(refusing.port()) + "/");
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->domain().utf8(), "NSURLErrorDomain");
    EXPECT_EQ(refused.error->code(), URLErrorCode::CannotConnectToHost);
    EXPECT_FALSE(refused.result);
    EXPECT_FALSE(refused.onMainThread);

    LoopbackServer server;
    server.setReply("/hang-up", CannedReply::hangingUp());
    Outcome hungUp = fetch(URLSession::sharedSession(), server.url("/hang-up"));
    ASSERT_TRUE(hungUp.error);
    EXPECT_EQ(hungUp.error->code(), URLErrorCode::NetworkConnectionLost);
    EXPECT_FALSE(hungUp.result);

    Outcome noURL = fetch(URLSession::sharedSession(), "not a url");
    ASSERT_TRUE(noURL.error);
    EXPECT_EQ(noURL.error->code(), URLErrorCode::BadURL);
}

TEST(URLSession, AServerThatNeverAnswersTimesOut)
{
    LoopbackServer server;
    server.setReply("/stall", CannedReply::stalling());
    Outcome outcome = fetch(sessionWith(1), server.url("/stall"));
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code(), URLErrorCode::TimedOut);
    EXPECT_FALSE(outcome.result);
}

TEST(URLSession, ABodyOverTheLimitIsAnErrorNotAnAllocation)
{
    LoopbackServer server;
    server.setReply("/exact", CannedReply::withBody(std::string(4096, 'x')));
    server.setReply("/over", CannedReply::withBody(std::string(4097, 'x')));
    Ref<URLSession> session = sessionWith(60, 4096);

    Outcome exact = fetch(session, server.url("/exact"));
    EXPECT_FALSE(exact.error);
    EXPECT_EQ(bodyOf(exact).size(), 4096u);

    Outcome over = fetch(session, server.url("/over"));
    ASSERT_TRUE(over.error);
    EXPECT_EQ(over.error->code(), URLErrorCode::DataLengthExceedsMaximum);
    EXPECT_FALSE(over.result);
}

TEST(URLSession, DownloadFileIsRemovedWhenTheCompletionReturns)
{
    testsupport::TemporaryDirectory directory;
    LoopbackServer server;
    server.setReply("/site/zvk/a/x.dmg", CannedReply::withBody("disk image"));
    Ref<URLSession> session = sessionWith(60, 64u << 20, directory.path());

    std::string seenPath;
    std::string seenContent;
    Outcome outcome = download(session, server.url("/site/zvk/a/x.dmg"), [&](const Ref<URL>& location) {
        seenPath = location->path();
        seenContent = testsupport::readFile(seenPath);
    });
    ASSERT_FALSE(outcome.error);
    EXPECT_TRUE(static_ref_cast<URL>(outcome.result)->isFileURL());
    EXPECT_EQ(std::filesystem::path(seenPath).parent_path(), directory.path());
    EXPECT_EQ(seenContent, "disk image");
    EXPECT_FALSE(outcome.onMainThread);
    EXPECT_FALSE(std::filesystem::exists(seenPath));
}

TEST(URLSession, DownloadMovedAwayByTheCompletionStays)
{
    testsupport::TemporaryDirectory directory;
    LoopbackServer server;
    server.setReply("/x.dmg", CannedReply::withBody("image"));
    Ref<URLSession> session = sessionWith(60, 64u << 20, directory.path());

    std::filesystem::path destination = directory / "x.dmg";
    Outcome outcome = download(session, server.url("/x.dmg"), [&](const Ref<URL>& location) {
        std::filesystem::rename(location->path(), destination);
    });
    ASSERT_FALSE(outcome.error);
    EXPECT_EQ(testsupport::readFile(destination), "image");
    // Only the moved file is left in the directory.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory.path()), std::filesystem::directory_iterator()), 1);
}

TEST(URLSession, FailedDownloadGivesNoFileAndLeavesNone)
{
    testsupport::TemporaryDirectory directory;
    testsupport::RefusingPort refusing;
    Outcome outcome = download(sessionWith(60, 64u << 20, directory.path()),
        "http://127.0.0.1:" + std::to_string(refusing.port()) + "/x.dmg");
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code(), URLErrorCode::CannotConnectToHost);
    EXPECT_FALSE(outcome.result);
    EXPECT_TRUE(std::filesystem::is_empty(directory.path()));
}

TEST(URLSession, ConnectToOverrideKeepsTheHostName)
{
    LoopbackServer server;
    server.setReply("/data.json", CannedReply::withBody("{}"));
    ConnectToOverride::set("packages.zvk-erlang.example", 80, server.port());
    Outcome outcome = fetch(URLSession::sharedSession(), "http://packages.zvk-erlang.example/data.json");
    ConnectToOverride::clear();

    ASSERT_FALSE(outcome.error) << outcome.error->description();
    EXPECT_EQ(bodyOf(outcome), "{}");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].header("Host"), "packages.zvk-erlang.example");
}

TEST(URLSession, SelfSignedServerFailsVerification)
{
    LoopbackServer server(LoopbackServer::Security::TLS, "userinfo.zvk-erlang.example");
    ConnectToOverride::set("userinfo.zvk-erlang.example", 6984, server.port());
    Outcome outcome = fetch(URLSession::sharedSession(), "https://userinfo.zvk-erlang.example:6984/userinfo/x");
    ConnectToOverride::clear();

    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code(), URLErrorCode::ServerCertificateUntrusted);
    EXPECT_TRUE(server.requests().empty());
}
