// The upload's delegate alone, with challenges made up by the test and a
// sender that records its answers: which challenge gets the server's
// certificate accepted, and that each gets exactly one answer.
#include "installer_pane/UserInfoDelegate.h"

#include "foundation/system/Log.h"
#include "foundation/url/URLAuthenticationChallenge.h"
#include "support/SelfSignedCertificate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using foundation::Ref;
using foundation::URLAuthenticationChallenge;
using foundation::URLProtectionSpace;
namespace Method = foundation::URLAuthenticationMethod;

namespace {

constexpr const char* Host = USERINFO_SERVER_HOST;

// Writes down every answer it is given, and with which credential.
class RecordingSender final : public foundation::URLAuthenticationChallengeSender {
public:
    struct Answer {
        std::string kind;
        Ref<foundation::URLCredential> credential;
    };

    void useCredential(const Ref<foundation::URLCredential>& credential, URLAuthenticationChallenge&) override
    {
        answers.push_back({"useCredential", credential});
    }
    void continueWithoutCredential(URLAuthenticationChallenge&) override
    {
        answers.push_back({"continueWithoutCredential", nullptr});
    }
    void cancel(URLAuthenticationChallenge&) override { answers.push_back({"cancel", nullptr}); }

    std::vector<Answer> answers;
};

class UserInfoDelegateTest : public ::testing::Test {
protected:
    // The answers the delegate gives to one challenge in `space`.
    std::vector<RecordingSender::Answer> answersTo(Ref<URLProtectionSpace> space)
    {
        auto sender = Ref<RecordingSender>::adopt(new RecordingSender);
        Ref<URLAuthenticationChallenge> challenge = URLAuthenticationChallenge::create(std::move(space), nullptr, 0, sender);
        delegate->didReceiveAuthenticationChallenge(*connection, challenge);
        return sender->answers;
    }

    static Ref<foundation::ServerTrust> trustPresentedBy(const char* host, const char* certifiedHost)
    {
        return foundation::ServerTrust::create(host, {testsupport::SelfSignedCertificate::create(certifiedHost).certificatePEM});
    }

    foundation::LogCaptureForTesting log;
    Ref<quillon::UserInfoDelegate> delegate = quillon::UserInfoDelegate::create();
    // The delegate never looks at its connection; one that failed at once
    // (no request) stands in for the upload's.
    Ref<foundation::URLConnection> connection = foundation::URLConnection::connectionWithRequest(
        nullptr, Ref<foundation::URLConnectionDelegate>::adopt(new foundation::URLConnectionDelegate));
};

TEST_F(UserInfoDelegateTest, ServerTrustForTheUserInfoHostIsAnsweredOnceWithThePresentedTrust)
{
    Ref<foundation::ServerTrust> trust = trustPresentedBy(Host, Host);
    ASSERT_TRUE(trust);
    auto answers = answersTo(URLProtectionSpace::forServerTrust(trust, 6984, "https"));
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].kind, "useCredential");
    ASSERT_TRUE(answers[0].credential);
    EXPECT_EQ(answers[0].credential->serverTrust(), trust.get());
    EXPECT_FALSE(answers[0].credential->hasPassword());
    EXPECT_EQ(log.messages(), std::vector<std::string>{std::string("challange ") + Host});
}

TEST_F(UserInfoDelegateTest, EveryOtherChallengeIsAnsweredOnceWithoutACredential)
{
    struct Case {
        const char* what;
        Ref<URLProtectionSpace> space;
        const char* loggedHost;
    };
    const Case cases[] = {
        {"server trust of another host", URLProtectionSpace::forServerTrust(trustPresentedBy("other.example", "other.example"), 6984, "https"),
         "other.example"},
        {"another host presenting a certificate for the user-info host",
         URLProtectionSpace::forServerTrust(trustPresentedBy("other.example", Host), 6984, "https"), "other.example"},
        {"the user-info host presenting another host's certificate",
         URLProtectionSpace::forServerTrust(trustPresentedBy(Host, "other.example"), 6984, "https"), Host},
        {"another method", URLProtectionSpace::create(Host, 6984, "https", std::nullopt, Method::HTTPBasic), Host},
        {"server trust without a trust", URLProtectionSpace::create(Host, 6984, "https", std::nullopt, Method::ServerTrust), Host},
    };
    for (const Case& test : cases) {
        std::size_t logged = log.messages().size();
        auto answers = answersTo(test.space);
        ASSERT_EQ(answers.size(), 1u) << test.what;
        EXPECT_EQ(answers[0].kind, "continueWithoutCredential") << test.what;
        auto messages = log.messages();
        EXPECT_EQ(std::vector<std::string>(messages.begin() + static_cast<std::ptrdiff_t>(logged), messages.end()),
                  std::vector<std::string>{std::string("challange ") + test.loggedHost})
            << test.what;
    }
}

TEST_F(UserInfoDelegateTest, EveryMethodIsLoggedAndOnlyServerTrustIsTakenOn)
{
    const std::string_view methods[] = {Method::Default, Method::HTTPBasic, "NSURLAuthenticationMethodNTLM",
                                        "NSURLAuthenticationMethodClientCertificate", Method::ServerTrust};
    std::vector<std::string> expectedLog;
    for (std::string_view method : methods) {
        bool taken = delegate->canAuthenticateAgainstProtectionSpace(
            *connection, *URLProtectionSpace::create(Host, 6984, "https", std::nullopt, method));
        EXPECT_EQ(taken, method == Method::ServerTrust) << method;
        expectedLog.push_back("auth " + std::string(method));
    }
    EXPECT_EQ(log.messages(), expectedLog);
}

} // namespace
