#include "foundation/objects/Dictionary.h"
#include "foundation/objects/String.h"
#include "foundation/system/Log.h"
#include "foundation/url/URLError.h"
#include "foundation/url/URLRequest.h"
#include "foundation/url/internal/Transfer.h"
#include "foundation/url/internal/TransferEngine.h"
#include "support/LoopbackServer.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <memory>
#include <string>

using namespace foundation;
using testsupport::CannedReply;
using testsupport::LoopbackServer;

// Every libcurl option a transfer sets goes through require() or prefer().
// These tests hand a real libcurl handle an option value it refuses and
// follow the transfer through the engine to its completion.

namespace {

struct Ending {
    Ref<HTTPURLResponse> response;
    Ref<Error> error;
    std::string body;
};

// A transfer that sets one extra option, chosen by the test, on top of
// everything the base class sets, and hands its end back to the test.
class TransferWithOption final : public Transfer {
public:
    using Configure = std::function<void(TransferWithOption&)>;

    TransferWithOption(const std::string& url, const Configure& configure, std::shared_ptr<std::promise<Ending>> ending)
        : Transfer(URLRequest::create(URL::create(url)), TransferLimits{})
        , ending_(std::move(ending))
    {
        configure(*this);
    }

    using Transfer::prefer;
    using Transfer::require;

private:
    bool receive(std::string_view bytes) override
    {
        body_.append(bytes);
        return true;
    }

    void complete(Ref<HTTPURLResponse> response, Ref<Error> error) override
    {
        ending_->set_value({std::move(response), std::move(error), body_});
    }

    std::shared_ptr<std::promise<Ending>> ending_;
    std::string body_;
};

// Runs the transfer on the engine and waits for its completion. The bound
// only keeps a broken build from hanging.
Ending run(const std::string& url, const TransferWithOption::Configure& configure)
{
    auto ending = std::make_shared<std::promise<Ending>>();
    auto future = ending->get_future();
    TransferEngine::shared().start(std::make_unique<TransferWithOption>(url, configure, ending));
    if (future.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
        ADD_FAILURE() << "the transfer never completed";
        return {};
    }
    return future.get();
}

// A libcurl built without a protocol refuses its name in the protocol limit
// just as this one refuses a name it has never heard of.
Ending runWithARefusedProtocolLimit(LoopbackServer& server)
{
    server.setReply("/", CannedReply::withBody("sent"));
    return run(server.url("/"), [](TransferWithOption& transfer) {
        transfer.require(CURLOPT_PROTOCOLS_STR, "http,no-such-protocol", URLErrorCode::UnsupportedURL);
    });
}

std::string debugDescription(const Error& error)
{
    auto* text = error.userInfo() ? error.userInfo()->objectForKey("NSDebugDescription") : nullptr;
    return text && text->isString() ? std::string(static_cast<String*>(text)->utf8()) : std::string();
}

} // namespace

TEST(TransferOptions, ARefusedRequiredOptionFailsTheTransferWithTheOptionAndLibcurlsReason)
{
    LoopbackServer server;
    Ending ending = runWithARefusedProtocolLimit(server);
    ASSERT_TRUE(ending.error);
    EXPECT_EQ(ending.error->domain().utf8(), URLErrorDomain);
    EXPECT_EQ(ending.error->code(), URLErrorCode::UnsupportedURL);
    EXPECT_EQ(debugDescription(*ending.error),
              std::string("libcurl refused CURLOPT_PROTOCOLS_STR: ") + curl_easy_strerror(CURLE_UNSUPPORTED_PROTOCOL)
                  + "; the transfer was not started");
    EXPECT_FALSE(ending.response);
}

TEST(TransferOptions, ATransferWhoseRequiredOptionWasRefusedSendsNothing)
{
    LoopbackServer server;
    Ending ending = runWithARefusedProtocolLimit(server);
    ASSERT_TRUE(ending.error);
    // A started transfer completes only after the server has recorded its
    // request, so none recorded by now means none was sent.
    EXPECT_TRUE(server.requests().empty());
}

TEST(TransferOptions, TheFirstRefusedRequiredOptionIsTheOneReported)
{
    LoopbackServer server;
    Ending ending = run(server.url("/"), [](TransferWithOption& transfer) {
        transfer.require(CURLOPT_MAXREDIRS, -2L, URLErrorCode::HTTPTooManyRedirects);
        transfer.require(CURLOPT_PROTOCOLS_STR, "no-such-protocol", URLErrorCode::UnsupportedURL);
    });
    ASSERT_TRUE(ending.error);
    EXPECT_EQ(ending.error->code(), URLErrorCode::HTTPTooManyRedirects);
    EXPECT_EQ(debugDescription(*ending.error).rfind("libcurl refused CURLOPT_MAXREDIRS: ", 0), 0u)
        << debugDescription(*ending.error);
}

TEST(TransferOptions, ARefusedPreferredOptionIsLoggedAndTheTransferGoesOn)
{
    LoopbackServer server;
    server.setReply("/", CannedReply::withBody("sent"));
    LogCaptureForTesting log;
    Ending ending = run(server.url("/"), [](TransferWithOption& transfer) {
        transfer.prefer(CURLOPT_MAXREDIRS, -2L);  // below -1: libcurl refuses it
    });
    EXPECT_FALSE(ending.error) << (ending.error ? ending.error->localizedDescription() : "");
    ASSERT_TRUE(ending.response);
    EXPECT_EQ(ending.response->statusCode(), 200);
    EXPECT_EQ(ending.body, "sent");
    EXPECT_EQ(log.messages(), std::vector<std::string>{std::string("URL loading: libcurl refused CURLOPT_MAXREDIRS: ")
                                                       + curl_easy_strerror(CURLE_BAD_FUNCTION_ARGUMENT)
                                                       + "; the transfer goes on without it"});
}
