// The upload against a real HTTPS server on loopback that stands in for the
// user-info server (reached through the connect-to seam, so the request
// keeps the configured host name, port and TLS checks).
#include "PaneFixture.h"

#include "foundation/runloop/RunLoop.h"
#include "foundation/url/ConnectToOverride.h"
#include "support/LoopbackServer.h"

#include <nlohmann/json.hpp>
#include <algorithm>
#include <openssl/evp.h>


#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using installer::InstallerDirectionForward;
using testsupport::LoopbackServer;

namespace {

constexpr const char* Host = USERINFO_SERVER_HOST;

class Upload : public quillontest::PaneFixture {
protected:
    void useServer(int port) { foundation::ConnectToOverride::set(Host, 6984, port); }
    ~Upload() override { foundation::ConnectToOverride::clear(); }

    // Runs the installer's run loop until the log holds a line with `prefix`.
    bool waitForLog(std::string_view prefix, std::size_t count = 1)
    {
        return foundation::RunLoop::main().runUntil([&] { return logged(prefix).size() >= count; }, 30);
    }

    bool waitForRequests(LoopbackServer& server, std::size_t count)
    {
        return foundation::RunLoop::main().runUntil([&] { return server.requests().size() >= count; }, 30);
    }

    // Leaves the pane forwards with a valid form and waits for the PUT.
    testsupport::RecordedRequest uploadOnce(LoopbackServer& server, std::string_view firstName, std::string_view lastName)
    {
        std::size_t before = server.requests().size();
        fillValidForm(firstName, lastName);
        EXPECT_TRUE(pane->shouldExitPane(InstallerDirectionForward));
        EXPECT_TRUE(waitForRequests(server, before + 1));
        return server.requests().at(before);
    }
};

bool allDigits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The document id's two numbers: "<first>_<last>_<random>_<seconds>".
std::pair<long, long> idNumbers(const std::string& target)
{
    std::size_t last = target.rfind('_');
    std::size_t before = last == std::string::npos || last == 0 ? std::string::npos : target.rfind('_', last - 1);
    if (before == std::string::npos || !allDigits(target.substr(before + 1, last - before - 1))
        || !allDigits(target.substr(last + 1))) {
        ADD_FAILURE() << "no document id numbers in " << target;
        return {-1, -1};
    }
    return {std::stol(target.substr(before + 1, last - before - 1)), std::stol(target.substr(last + 1))};
}

// "d" in the shape stands for any digit; every other character for itself.
bool hasShape(std::string_view text, std::string_view shape)
{
    if (text.size() != shape.size())
        return false;
    for (std::size_t index = 0; index < text.size(); ++index) {
        bool digit = text[index] >= '0' && text[index] <= '9';
        if (shape[index] == 'd' ? !digit : text[index] != shape[index])
            return false;
    }
    return true;
}

std::string base64Decoded(const std::string& text)
{
    std::string bytes(text.size(), '\0');
    int length = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                 reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    bytes.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
    while (!bytes.empty() && bytes.back() == '\0')  // Base64 padding
        bytes.pop_back();
    return bytes;
}

// A loopback port that takes connections (the kernel completes them) but
// never says a word: the TLS handshake waits for ever.
class SilentListener {
public:
    SilentListener()
    {
        socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        EXPECT_EQ(::bind(socket_, reinterpret_cast<sockaddr*>(&address), length), 0);
        EXPECT_EQ(::listen(socket_, 8), 0);
        EXPECT_EQ(::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length), 0);
        port_ = ntohs(address.sin_port);
    }
    ~SilentListener() { ::close(socket_); }
    int port() const { return port_; }

private:
    int socket_ = -1;
    int port_ = 0;
};

} // namespace

TEST_F(Upload, SelfSignedServerForTheHostReceivesOneAuthenticatedPut)
{
    LoopbackServer server(LoopbackServer::Security::TLS, Host);
    useServer(server.port());
    testsupport::RecordedRequest request = uploadOnce(server, "Ada", "Lovelace");

    EXPECT_EQ(request.method, "PUT");
    EXPECT_TRUE(request.target.starts_with("/userinfo/Ada_Lovelace_")) << request.target;
    auto [draw, seconds] = idNumbers(request.target);
    EXPECT_GE(draw, 0);
    EXPECT_LT(draw, 50);
    EXPECT_GT(seconds, 1700000000);
    EXPECT_EQ(request.header("Host"), std::string(Host) + ":6984");
    EXPECT_EQ(request.tlsServerName, Host);
    EXPECT_EQ(request.header("Content-Type"), "application/json");
    std::string authorization = request.header("Authorization").value_or("");
    ASSERT_TRUE(authorization.starts_with("Basic ")) << authorization;
    EXPECT_EQ(authorization.size(), 6u + 28u);
    EXPECT_EQ(base64Decoded(authorization.substr(6)), std::string("installer:") + USERINFO_PASSWORD);

    auto body = nlohmann::json::parse(request.body);
    EXPECT_EQ(body.size(), 7u);
    EXPECT_EQ(body["firstName"], "Ada");
    EXPECT_EQ(body["lastName"], "Lovelace");
    EXPECT_EQ(body["email"], "ada@example.org");
    EXPECT_EQ(body["organization"], "Analytical Engines");
    EXPECT_EQ(body["country"], "United Kingdom");
    EXPECT_EQ(body["otpVsn"], "26.2.1");
    EXPECT_TRUE(hasShape(body["created"].get<std::string>(), "dddd-dd-dd dd:dd:dd +0000")) << body["created"];
    EXPECT_EQ(request.body.find_first_of(" \n"), request.body.find(' ', request.body.find("Analytical")));

    ASSERT_TRUE(waitForLog("received data "));
    auto lines = log.messages();
    std::vector<std::string> protocol;
    for (const auto& line : lines) {
        if (!line.starts_with("userInfo "))
            protocol.push_back(line);
    }
    EXPECT_EQ(protocol, (std::vector<std::string>{"auth NSURLAuthenticationMethodServerTrust",
                                                  std::string("challange ") + Host,
                                                  "received data no reply for " + request.target}));
}

TEST_F(Upload, UserInfoLogLineHoldsTheDictionaryDescription)
{
    LoopbackServer server(LoopbackServer::Security::TLS, Host);
    useServer(server.port());
    uploadOnce(server, "Ada", "Lovelace");
    auto lines = logged("userInfo ");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].starts_with("userInfo {\n")) << lines[0];
    for (const char* entry : {"    country = \"United Kingdom\";", "    email = \"ada@example.org\";", "    firstName = Ada;",
                              "    lastName = Lovelace;", "    organization = \"Analytical Engines\";",
                              "    otpVsn = 26.2.1;", "    created = \""})
        EXPECT_NE(lines[0].find(entry), std::string::npos) << entry << " in " << lines[0];
}

TEST_F(Upload, ForwardBackForwardUploadsOnce)
{
    LoopbackServer server(LoopbackServer::Security::TLS, Host);
    useServer(server.port());
    uploadOnce(server, "Ada", "Lovelace");
    EXPECT_EQ(sequence->goNext(), installer::PaneSequence::Move::Moved);
    EXPECT_EQ(sequence->goBack(), installer::PaneSequence::Move::Moved);
    type(1, "Augusta");
    EXPECT_TRUE(sequence->isNextEnabled());
    EXPECT_EQ(sequence->goNext(), installer::PaneSequence::Move::Moved);
    EXPECT_EQ(logged("userInfo ").size(), 1u);
    // Another pane's upload, started after the second exit, arrives: had
    // that exit sent one too, it would have arrived before it.
    auto probe = loadPane("Probe", "Pane");
    EXPECT_TRUE(probe.pane->shouldExitPane(InstallerDirectionForward));
    ASSERT_TRUE(waitForRequests(server, 2));
    EXPECT_TRUE(server.requests()[1].target.starts_with("/userinfo/Probe_Pane_")) << server.requests()[1].target;
}

TEST_F(Upload, OtpVersionIsUnknownWithoutTheString)
{
    testsupport::TemporaryDirectory other;
    other.write("Quillon.bundle/Contents/Resources/Localizable.strings", "\"PaneTitle\" = \"Registration\";\n");
    auto bare = quillon::QuillonPane::initWithBundle(foundation::Bundle::bundleWithPath((other / "Quillon.bundle").string()));
    foundation::Ref<foundation::Error> error;
    auto ui = appkit::UIDescription::load(QUILLON_RESOURCES "/QuillonPane.ui", error, bare.get());
    ASSERT_TRUE(ui);
    bare->firstNameTextField()->setStringValue(foundation::str("Ada"));
    bare->lastNameTextField()->setStringValue(foundation::str("Lovelace"));
    bare->emailTextField()->setStringValue(foundation::str("ada@example.org"));
    bare->organizationTextField()->setStringValue(foundation::str("AE"));
    bare->countryTextField()->setStringValue(foundation::str("UK"));
    LoopbackServer server(LoopbackServer::Security::TLS, Host);
    useServer(server.port());
    EXPECT_TRUE(bare->shouldExitPane(InstallerDirectionForward));
    ASSERT_TRUE(waitForRequests(server, 1));
    EXPECT_EQ(nlohmann::json::parse(server.requests()[0].body)["otpVsn"], "unknown");
}

TEST_F(Upload, NamesAreEscapedOnlyAsPartOfTheWholeURL)
{
    LoopbackServer server(LoopbackServer::Security::TLS, Host);
    useServer(server.port());
    struct Case {
        const char* firstName;
        const char* lastName;
        const char* target;  // a prefix; whole when it ends with the path
        bool whole;
    };
    for (const Case& test : {Case{"Ada Mary", "Lövelace", "/userinfo/Ada%20Mary_L%C3%B6velace_", false},
                             Case{"Ada/Mary", "Lovelace", "/userinfo/Ada/Mary_Lovelace_", false},
                             Case{"Ada?x", "Lovelace", "/userinfo/Ada?x_Lovelace_", false},
                             Case{"Ada#x", "Lovelace", "/userinfo/Ada", true}}) {
        auto loaded = loadPane(test.firstName, test.lastName);
        std::size_t before = server.requests().size();
        EXPECT_TRUE(loaded.pane->shouldExitPane(InstallerDirectionForward));
        ASSERT_TRUE(waitForRequests(server, before + 1));
        std::string target = server.requests()[before].target;
        if (test.whole)
            EXPECT_EQ(target, test.target);
        else
            EXPECT_TRUE(target.starts_with(test.target)) << target;
    }
}

TEST_F(Upload, SameNamesInTheSameSecondGiveTheSameDocumentId)
{
    LoopbackServer server(LoopbackServer::Security::TLS, Host);
    useServer(server.port());
    // Two uploads can straddle a second boundary; a few tries make one pair
    // that does not.
    for (int attempt = 0; attempt < 5; ++attempt) {
        auto first = loadPane("Ada", "Lovelace");
        auto second = loadPane("Ada", "Lovelace");
        std::size_t before = server.requests().size();
        EXPECT_TRUE(first.pane->shouldExitPane(InstallerDirectionForward));
        EXPECT_TRUE(second.pane->shouldExitPane(InstallerDirectionForward));
        ASSERT_TRUE(waitForRequests(server, before + 2));
        auto requests = server.requests();
        auto [firstDraw, firstSecond] = idNumbers(requests[before].target);
        auto [secondDraw, secondSecond] = idNumbers(requests[before + 1].target);
        if (firstSecond != secondSecond)
            continue;
        EXPECT_EQ(firstDraw, secondDraw);
        EXPECT_EQ(requests[before].target, requests[before + 1].target);
        return;
    }
    FAIL() << "no two uploads started within one second";
}

TEST_F(Upload, QuotesAndBackslashesGiveValidJSON)
{
    LoopbackServer server(LoopbackServer::Security::TLS, Host);
    useServer(server.port());
    auto loaded = loadPane("Ada", "Lovelace", R"(The "Engine" \ Co)");
    EXPECT_TRUE(loaded.pane->shouldExitPane(InstallerDirectionForward));
    ASSERT_TRUE(waitForRequests(server, 1));
    std::string body = server.requests()[0].body;
    EXPECT_NE(body.find(R"("organization":"The \"Engine\" \\ Co")"), std::string::npos) << body;
    EXPECT_EQ(nlohmann::json::parse(body)["organization"], R"(The "Engine" \ Co)");
}

TEST_F(Upload, CertificateForAnotherHostIsNotTrusted)
{
    LoopbackServer impostor(LoopbackServer::Security::TLS, "impostor.example");
    useServer(impostor.port());
    fillValidForm();
    EXPECT_TRUE(pane->shouldExitPane(InstallerDirectionForward));
    ASSERT_TRUE(waitForLog("challange "));
    EXPECT_EQ(logged("challange "), std::vector<std::string>{std::string("challange ") + Host});
    // The same exit with a server that proves the host does upload: the
    // impostor's connection was started first and never got a request.
    LoopbackServer genuine(LoopbackServer::Security::TLS, Host);
    useServer(genuine.port());
    auto probe = loadPane("Probe", "Pane");
    EXPECT_TRUE(probe.pane->shouldExitPane(InstallerDirectionForward));
    ASSERT_TRUE(waitForRequests(genuine, 1));
    EXPECT_TRUE(impostor.requests().empty());
    EXPECT_EQ(sequence->goNext(), installer::PaneSequence::Move::Moved);
}

// The reply is only logged: an error page or bytes that are not text change
// nothing, and the pane has already moved on.
TEST_F(Upload, ErrorPageOrGarbageReplyIsLoggedAndChangesNothing)
{
    LoopbackServer server(LoopbackServer::Security::TLS, Host);
    useServer(server.port());
    struct Case {
        testsupport::CannedReply reply;
        const char* logLine;
    } cases[] = {
        {testsupport::CannedReply::withBody("<html><body>Internal Server Error</body></html>", 500, {{"Content-Type", "text/html"}}),
         "received data <html><body>Internal Server Error</body></html>"},
        {testsupport::CannedReply::withBody("\xff\xfe garbage", 500), "received data (null)"},
    };
    std::size_t uploads = 0;
    for (const Case& c : cases) {
        server.setReply("*", c.reply);
        auto probe = loadPane("Probe" + std::to_string(uploads), "Pane");
        EXPECT_TRUE(probe.pane->shouldExitPane(InstallerDirectionForward));
        ASSERT_TRUE(waitForRequests(server, ++uploads));
        // A reply to an earlier test's upload may still arrive: look for this one's line.
        EXPECT_TRUE(foundation::RunLoop::main().runUntil([&] {
            std::vector<std::string> lines = logged("received data ");
            return std::find(lines.begin(), lines.end(), c.logLine) != lines.end();
        }, 30)) << c.logLine;
    }
}

TEST_F(Upload, RefusedConnectionLeavesThePaneAsIfSent)
{
    testsupport::RefusingPort refusing;
    useServer(refusing.port());
    fillValidForm();
    EXPECT_TRUE(pane->shouldExitPane(InstallerDirectionForward));
    EXPECT_TRUE(pane->shouldExitPane(InstallerDirectionForward));
    EXPECT_EQ(logged("userInfo ").size(), 1u);
    EXPECT_EQ(sequence->goNext(), installer::PaneSequence::Move::Moved);
}

TEST_F(Upload, ServerThatNeverAnswersDoesNotHoldThePane)
{
    SilentListener silent;
    useServer(silent.port());
    fillValidForm();
    EXPECT_TRUE(pane->shouldExitPane(InstallerDirectionForward));
    EXPECT_EQ(sequence->goNext(), installer::PaneSequence::Move::Moved);
    EXPECT_EQ(sequence->currentIndex(), 2u);
    EXPECT_TRUE(logged("auth ").empty());
}
