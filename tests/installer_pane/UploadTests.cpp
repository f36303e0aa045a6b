// The upload against a real HTTPS server on loopback that stands in for the
// user-info server (reached through the connect-to seam, so the request
// keeps the configured host name, port and TLS checks).
#include "PaneFixture.h"

#include "foundation/runloop/RunLoop.h"
#include "foundation/url/ConnectToOverride.h"
#include "support/LoopbackServer.h"

#include <nlohmann/json.hpp>
#include <openssl/evp.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <iomanip>
#include <optional>
#include <sstream>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using installer::InstallerDirectionForward;
using testsupport::LoopbackServer;

namespace {

constexpr const char* Host = USERINFO_SERVER_HOST;

class Upload : public testsupport::PaneFixture {
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

    // How many uploads besides its own the server has seen once another
    // pane's upload, started now, has arrived, and at least one other. An
    // upload started before the probe has all but always arrived by then;
    // the probe's may come first.
    std::size_t uploadsSeenByAProbe(LoopbackServer& server)
    {
        auto probe = loadPane("Probe", "Pane");
        EXPECT_TRUE(probe.pane->shouldExitPane(InstallerDirectionForward));
        std::size_t probes = 0;
        std::size_t others = 0;
        auto count = [&] {
            probes = others = 0;
            for (const auto& request : server.requests())
                ++(request.target.starts_with("/userinfo/Probe_Pane_") ? probes : others);
            return probes == 1 && others >= 1;
        };
        EXPECT_TRUE(foundation::RunLoop::main().runUntil(count, 30)) << "the probe's upload, or the pane's, never arrived";
        return others;
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

// The blanks and line breaks of JSON text that are not inside a string: none
// in the compact form, in whatever order its members come.
std::string whiteSpaceOutsideStrings(std::string_view json)
{
    std::string found;
    bool inString = false;
    for (std::size_t index = 0; index < json.size(); ++index) {
        char c = json[index];
        if (inString && c == '\\')
            ++index;
        else if (c == '"')
            inString = !inString;
        else if (!inString && (c == ' ' || c == '\n' || c == '\r' || c == '\t'))
            found += c;
    }
    return found;
}

// Seconds since 1970 of "YYYY-MM-DD hh:mm:ss +0000", read as UTC.
long utcSeconds(const std::string& created)
{
    std::tm parts{};
    std::istringstream text(created);
    text >> std::get_time(&parts, "%Y-%m-%d %H:%M:%S");
    EXPECT_FALSE(text.fail()) << created;
    return static_cast<long>(::timegm(&parts));
}

// Sets the process's time zone (TZ) while it lives.
class TimeZone {
public:
    explicit TimeZone(const char* zone)
    {
        if (const char* before = std::getenv("TZ"))
            previous_ = before;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TimeZone()
    {
        if (previous_)
            ::setenv("TZ", previous_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> previous_;
};

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
// never says a word: the TLS handshake waits for ever, and the connection
// stays open until the listener goes.
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
    ~SilentListener()
    {
        if (accepted_ >= 0)
            ::close(accepted_);
        ::close(socket_);
    }
    int port() const { return port_; }

    // Takes the first connection, running the main run loop in short
    // slices while it waits for one, since no loop event announces it
    // (false if none came in 30 seconds).
    bool acceptOne()
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        auto accepted = [&] {
            pollfd ready{socket_, POLLIN, 0};
            if (::poll(&ready, 1, 0) == 1)
                accepted_ = ::accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC);
            return accepted_ >= 0;
        };
        while (!foundation::RunLoop::main().runUntil(accepted, 0.02)) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
        }
        return true;
    }

    // Whether the client still holds the accepted connection open: it has
    // sent what it sent (its TLS hello) and not given up waiting.
    bool clientStillWaiting() const
    {
        char bytes[4096];
        for (;;) {
            ssize_t count = ::recv(accepted_, bytes, sizeof bytes, MSG_DONTWAIT);
            if (count > 0)
                continue;
            return count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        }
    }

private:
    int socket_ = -1;
    int accepted_ = -1;
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
    EXPECT_EQ(whiteSpaceOutsideStrings(request.body), "") << request.body;

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

// Fourteen hours east of Greenwich, local time is another calendar day for
// most of the day: a date written in local time cannot pass for UTC.
TEST_F(Upload, CreatedIsUTCUnderAFarTimeZoneAndMatchesTheDocumentId)
{
    TimeZone lineIslands("<+14>-14");
    LoopbackServer server(LoopbackServer::Security::TLS, Host);
    useServer(server.port());
    testsupport::RecordedRequest request = uploadOnce(server, "Ada", "Lovelace");
    std::string created = nlohmann::json::parse(request.body)["created"].get<std::string>();
    ASSERT_TRUE(hasShape(created, "dddd-dd-dd dd:dd:dd +0000")) << created;
    // The id's clock is read just after the dictionary's: the same second,
    // or the next when a second ended in between.
    long idSeconds = idNumbers(request.target).second;
    EXPECT_GE(idSeconds, utcSeconds(created)) << created << " for " << request.target;
    EXPECT_LE(idSeconds, utcSeconds(created) + 1) << created << " for " << request.target;
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
    EXPECT_EQ(uploadsSeenByAProbe(server), 1u);
}

// Skip moves on without the form, whatever it holds; the forward exit
// after coming back uploads, and only once for the pane's life.
TEST_F(Upload, SkipWithAValidFormThenBackAndNextUploadsOnce)
{
    LoopbackServer server(LoopbackServer::Security::TLS, Host);
    useServer(server.port());
    fillValidForm();
    pane->skipForm(nullptr);
    EXPECT_EQ(sequence->currentIndex(), 2u);
    EXPECT_TRUE(logged("userInfo ").empty()) << "skip sent the form";
    EXPECT_EQ(sequence->goBack(), installer::PaneSequence::Move::Moved);
    EXPECT_EQ(sequence->goNext(), installer::PaneSequence::Move::Moved);
    EXPECT_EQ(sequence->goBack(), installer::PaneSequence::Move::Moved);
    pane->skipForm(nullptr);
    EXPECT_EQ(sequence->goBack(), installer::PaneSequence::Move::Moved);
    EXPECT_EQ(sequence->goNext(), installer::PaneSequence::Move::Moved);
    EXPECT_EQ(logged("userInfo ").size(), 1u);
    EXPECT_EQ(uploadsSeenByAProbe(server), 1u);
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

// The exit returns while the upload still waits for the server: a pane
// that waited for an answer would return only after the client gave up,
// and the client's end of the connection would then be closed.
TEST_F(Upload, ServerThatNeverAnswersDoesNotHoldThePane)
{
    SilentListener silent;
    useServer(silent.port());
    fillValidForm();
    EXPECT_TRUE(pane->shouldExitPane(InstallerDirectionForward));
    ASSERT_TRUE(silent.acceptOne()) << "the upload never connected";
    EXPECT_TRUE(silent.clientStillWaiting()) << "the exit returned only after the upload had given up";
    EXPECT_EQ(sequence->goNext(), installer::PaneSequence::Move::Moved);
    EXPECT_EQ(sequence->currentIndex(), 2u);
    EXPECT_TRUE(logged("auth ").empty());
}
