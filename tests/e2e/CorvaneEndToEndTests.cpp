// The real corvane binary, driven as a tester would: a loopback package
// server, stand-in paths, a clock that runs two days per real second, and
// button choices typed as lines on its standard input.
#include "CorvaneSetup.h"

#include "support/ChildProcess.h"
#include "support/Minisign.h"
#include "support/TemporaryDirectory.h"
#include "support/VirtualDisplay.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

using corvanetest::announcement;
using corvanetest::feedOffering;
using corvanetest::feedPath;
// What a build without the vendor's key says once at start.
const std::string unverified = "corvane: updates are not verified: this build has no update key (UPDATE_PUBLIC_KEY)\n";

// How many descriptors of a process are sockets. An X server holds one for
// each client beside its listening ones.
std::size_t socketsOf(pid_t pid)
{
    std::size_t count = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error))
        count += std::filesystem::read_symlink(entry.path(), error).string().starts_with("socket:");
    return count;
}

class CorvaneEndToEnd : public ::testing::Test, protected corvanetest::CorvaneSetup {
protected:
    // The window as lines, display or not, unless the test says otherwise.
    // With `updateKey`, the agent verifies updates as a build with that key.
    std::unique_ptr<testsupport::ChildProcess> startAgent(const char* clockScale = "172800",
                                                          testsupport::ChildProcess::Environment presentation = {{"APPKIT_PRESENTER", "lines"}},
                                                          std::vector<std::string> arguments = {},
                                                          const std::string& updateKey = "")
    {
        testsupport::ChildProcess::Environment settings = environment(clockScale);
        settings.insert(settings.begin(), presentation.begin(), presentation.end());
        settings.push_back({"CORVANE_UPDATE_PUBLIC_KEY", updateKey});
        return std::make_unique<testsupport::ChildProcess>(CORVANE_BINARY, arguments, settings);
    }
};

} // namespace

TEST_F(CorvaneEndToEnd, RemindLaterHidesTheWindowUntilTheNextDay)
{
    auto agent = startAgent();
    ASSERT_TRUE(agent->waitForError(announcement, 20)) << agent->error();
    std::size_t afterFirst = agent->error().find(announcement) + announcement.size();
    EXPECT_EQ(agent->output(), "");  // the window never writes to standard output
    agent->writeInput("r\n");
    ASSERT_TRUE(agent->waitForError(announcement, 20, afterFirst)) << agent->error();
    EXPECT_GE(feedRequests(), 2u);
    EXPECT_EQ(server.requests()[0].header("Host"), "packages.zvk-erlang.example");
    int status = agent->terminate(SIGTERM, 10);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(CorvaneEndToEnd, SkipSurvivesARestart)
{
    // Two-second days: a slow reply on a loaded machine must not let the
    // next check overtake the skip.
    {
        auto agent = startAgent("43200");
        ASSERT_TRUE(agent->waitForError(announcement, 20)) << agent->error();
        agent->writeInput("s\n");
        std::size_t seen = feedRequests();
        // Two more daily checks after the skip; once the agent has ended,
        // all it wrote is in: no second announcement.
        ASSERT_TRUE(testsupport::pollUntil([&] { return feedRequests() >= seen + 2; }, 20));
        ASSERT_NE(agent->terminate(SIGTERM, 10), -1);
        EXPECT_EQ(agent->error().find(announcement, agent->error().find(announcement) + 1), std::string::npos);
    }
    auto restarted = startAgent("43200");
    std::size_t seen = feedRequests();
    ASSERT_TRUE(testsupport::pollUntil([&] { return feedRequests() >= seen + 2; }, 20));
    ASSERT_NE(restarted->terminate(SIGTERM, 10), -1);
    EXPECT_EQ(restarted->error().find(announcement), std::string::npos) << restarted->error();
}

TEST_F(CorvaneEndToEnd, AFeedServerThatNeverAnswersHoldsUpNothing)
{
    // The request waits for the transfer's time-out (a minute) in the
    // background; meanwhile the main thread keeps turning (the next day's
    // check goes out), nothing is announced and a signal still ends the
    // agent at once.
    server.setReply(feedPath, testsupport::CannedReply::stalling());
    auto agent = startAgent();
    ASSERT_TRUE(testsupport::pollUntil([&] { return feedRequests() >= 3; }, 20));
    int status = agent->terminate(SIGTERM, 10);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(agent->error(), unverified);
    EXPECT_EQ(agent->output(), "");
}

TEST_F(CorvaneEndToEnd, DownloadFetchesMovesAndOpensTheImage)
{
    auto agent = startAgent();
    ASSERT_TRUE(agent->waitForError(announcement, 20)) << agent->error();
    agent->writeInput("d\n");
    ASSERT_TRUE(agent->waitForOutput("nil\n", 20)) << agent->output() << agent->error();
    EXPECT_EQ(agent->output(), "nil\n");
    ASSERT_TRUE(testsupport::pollUntil([&] { return std::filesystem::exists(directory / "hdiutil.args"); }, 20));
    EXPECT_EQ(testsupport::readFile(directory / "hdiutil.args"),
              "attach\n-autoopen\nfile://" + (directory / "tmp").string() + "/x.dmg\n");
    EXPECT_EQ(testsupport::readFile(directory / "tmp" / "x.dmg"), "disk image bytes");
}

TEST_F(CorvaneEndToEnd, AnUnreachableDisplayFallsBackToLinesButAForcedDesktopFails)
{
    // A display on a socket path where no server can be.
    std::string unreachable = (directory / "no-server").string() + ":0";
    auto agent = startAgent("172800", {{"DISPLAY", unreachable}, {"APPKIT_PRESENTER", ""}});
    ASSERT_TRUE(agent->waitForError(announcement, 20)) << agent->error();
    EXPECT_NE(agent->error().find("corvane: cannot open display " + unreachable + "; showing windows as lines\n"),
              std::string::npos) << agent->error();
    EXPECT_EQ(agent->output(), "");
    EXPECT_NE(agent->terminate(SIGTERM, 10), -1);

    auto forced = startAgent("172800", {{"DISPLAY", unreachable}, {"APPKIT_PRESENTER", ""}}, {"--presenter=desktop"});
    int status = forced->waitForExit(20);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(forced->error(), "corvane: cannot open display " + unreachable + "\n");
}

// An Xauthority file with one cookie, in the file's format: for each entry
// the family, then address, display number, protocol name and data, each
// with its length in front (big-endian 16 bits).
std::string xauthorityWithOneCookie()
{
    std::string entry("\x01\x00", 2);  // FamilyLocal (256)
    for (std::string field : {std::string("localhost"), std::string("0"), std::string("MIT-MAGIC-COOKIE-1"),
                              std::string(16, '\x5a')}) {
        entry += static_cast<char>(field.size() >> 8);
        entry += static_cast<char>(field.size() & 0xff);
        entry += field;
    }
    return entry;
}

// The README promises one line: the X library's own complaint about a
// refused authorization must not come before it.
TEST_F(CorvaneEndToEnd, ADisplayThatRefusesTheAgentIsOneLineOnStandardError)
{
    testsupport::VirtualDisplay display(testsupport::VirtualDisplay::Lifetime::UntilDestroyed,
                                        directory.write("Xauthority", xauthorityWithOneCookie()).string());
    ASSERT_FALSE(display.name().empty()) << display.error();
    auto agent = startAgent("172800", {{"APPKIT_PRESENTER", ""}, {"XAUTHORITY", (directory / "no-cookies").string()}});
    ASSERT_TRUE(agent->waitForError(announcement, 20)) << agent->error();
    EXPECT_EQ(agent->error().find("corvane: cannot open display " + display.name() + "; showing windows as lines\n"), 0u)
        << agent->error();
    EXPECT_NE(agent->terminate(SIGTERM, 10), -1);
}

TEST_F(CorvaneEndToEnd, TheToolkitConnectsToTheDisplayForTheFirstAnnouncementAndNotBefore)
{
    testsupport::VirtualDisplay display(testsupport::VirtualDisplay::Lifetime::UntilDestroyed);
    ASSERT_FALSE(display.name().empty()) << display.error();
    std::size_t idleServerSockets = socketsOf(display.pid());
    // Until the feed offers something new, the daily checks announce nothing.
    server.setReply(feedPath, feedOffering("26.0"));
    auto agent = startAgent("172800", {{"APPKIT_PRESENTER", ""}, {"NO_AT_BRIDGE", "1"}});
    ASSERT_TRUE(testsupport::pollUntil([&] { return feedRequests() >= 1; }, 20));

    // The display was checked at start and its connection closed again.
    EXPECT_TRUE(testsupport::pollUntil([&] { return socketsOf(display.pid()) == idleServerSockets; }, 10))
        << "the agent holds a connection to the display with nothing to show";

    server.setReply(feedPath, feedOffering("26.1"));
    testsupport::ChildProcess mapped("/usr/bin/xdotool", {"search", "--sync", "--onlyvisible", "--name", "^Erlang update$"}, {});
    int found = mapped.waitForExit(30);
    ASSERT_TRUE(WIFEXITED(found) && WEXITSTATUS(found) == 0) << "the announcement window was not mapped: " << agent->error();

    // One connection more than the idle server had: the agent's, held open.
    EXPECT_TRUE(testsupport::pollUntil([&] { return socketsOf(display.pid()) == idleServerSockets + 1; }, 10))
        << socketsOf(display.pid()) << " sockets at the server, " << idleServerSockets << " when idle";
    EXPECT_EQ(agent->error(), unverified);
    EXPECT_EQ(agent->output(), "");
    // Only that it ends: the sanitizer build's leak report at exit would
    // name the toolkit's font caches, kept for the life of the process.
    EXPECT_NE(agent->terminate(SIGTERM, 10), -1);
}

TEST_F(CorvaneEndToEnd, ADisplayGoneBeforeTheFirstAnnouncementHandsItToLines)
{
    testsupport::VirtualDisplay display(testsupport::VirtualDisplay::Lifetime::UntilDestroyed);
    std::string name = display.name();
    ASSERT_FALSE(name.empty()) << display.error();
    server.setReply(feedPath, feedOffering("26.0"));
    auto agent = startAgent("172800", {{"APPKIT_PRESENTER", ""}, {"NO_AT_BRIDGE", "1"}});
    ASSERT_TRUE(testsupport::pollUntil([&] { return feedRequests() >= 1; }, 20));

    display.vanish();  // the session's display server ends; the agent stays
    server.setReply(feedPath, feedOffering("26.1"));
    ASSERT_TRUE(agent->waitForError(announcement, 20)) << agent->error();
    EXPECT_EQ(agent->error().find("corvane: cannot open display " + name + "; showing windows as lines\n"), unverified.size())
        << agent->error();
    EXPECT_NE(agent->terminate(SIGTERM, 10), -1);
}

// A scale past any use would make the daily timer's next date stand still.
TEST_F(CorvaneEndToEnd, AClockScaleThatIsNotAUsableNumberIsRefused)
{
    for (const char* scale : {"inf", "1e300", "0", "nan", "2 days"}) {
        auto agent = startAgent(scale);
        int status = agent->waitForExit(20);
        ASSERT_TRUE(WIFEXITED(status)) << scale << ": " << status;
        EXPECT_EQ(WEXITSTATUS(status), 2) << scale;
        EXPECT_EQ(agent->error(), std::string("corvane: CORVANE_CLOCK_SCALE must be a positive number up to 1000000, not \"")
                                      + scale + "\"\n");
    }
}

// The agent as a build with the vendor's key runs it: the vendor's files
// signed by the real minisign program.
class SignedCorvaneEndToEnd : public CorvaneEndToEnd {
protected:
    SignedCorvaneEndToEnd()
    {
        sign(feedPath, "data.json", feedOffering("26.1").body);
        sign("/site/zvk/otp/26.1/x.dmg", "x.dmg", "disk image bytes");
    }
    void sign(const std::string& serverPath, const std::string& name, const std::string& content)
    {
        server.setReply(serverPath + ".minisig", testsupport::CannedReply::withBody(vendor.sign(directory.write("signed/" + name, content))));
    }

    testsupport::MinisignKey vendor{directory.path()};
};

TEST_F(SignedCorvaneEndToEnd, ASignedReleaseIsAnnouncedDownloadedAndOpened)
{
    auto agent = startAgent("172800", {{"APPKIT_PRESENTER", "lines"}}, {}, vendor.publicKeyLine());
    ASSERT_TRUE(agent->waitForError(announcement, 20)) << agent->error();
    EXPECT_EQ(agent->error().find("not verified"), std::string::npos) << agent->error();
    agent->writeInput("d\n");
    ASSERT_TRUE(agent->waitForOutput("nil\n", 20)) << agent->output() << agent->error();
    ASSERT_TRUE(testsupport::pollUntil([&] { return std::filesystem::exists(directory / "hdiutil.args"); }, 20));
    EXPECT_EQ(testsupport::readFile(directory / "hdiutil.args"),
              "attach\n-autoopen\nfile://" + (directory / "tmp").string() + "/x.dmg\n");
    EXPECT_EQ(agent->output(), "nil\n");
}

TEST_F(SignedCorvaneEndToEnd, AnImageChangedOnTheWayIsRefusedDeletedAndNeverOpened)
{
    server.setReply("/site/zvk/otp/26.1/x.dmg", testsupport::CannedReply::withBody("disk image bytes, and something else"));
    auto agent = startAgent("172800", {{"APPKIT_PRESENTER", "lines"}}, {}, vendor.publicKeyLine());
    ASSERT_TRUE(agent->waitForError(announcement, 20)) << agent->error();
    agent->writeInput("d\n");
    const std::string refusal =
        "Error: the downloaded disk image x.dmg was refused: it was changed after signing (it does not match its signature)\n";
    ASSERT_TRUE(agent->waitForOutput(refusal, 20)) << agent->output() << agent->error();
    int status = agent->terminate(SIGTERM, 10);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(agent->output(), refusal);
    EXPECT_FALSE(std::filesystem::exists(directory / "hdiutil.args"));
    EXPECT_TRUE(std::filesystem::is_empty(directory / "tmp"));
}

TEST_F(SignedCorvaneEndToEnd, AFeedFromAnotherKeyAnnouncesNothing)
{
    testsupport::MinisignKey attacker(directory.path(), "attacker");
    server.setReply(feedPath + ".minisig",
                    testsupport::CannedReply::withBody(attacker.sign(directory.write("signed/data.json", "{}"))));
    auto agent = startAgent("172800", {{"APPKIT_PRESENTER", "lines"}}, {}, vendor.publicKeyLine());
    ASSERT_TRUE(agent->waitForOutput("\n", 20)) << agent->error();
    int status = agent->terminate(SIGTERM, 10);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(agent->output().substr(0, agent->output().find('\n') + 1),
              "Error: the release feed http://packages.zvk-erlang.example" + feedPath + " was refused: it is signed by another key (key id "
                  + attacker.keyIdText() + ", not " + vendor.keyIdText() + ")\n");
    EXPECT_EQ(agent->error().find(announcement), std::string::npos) << agent->error();
}
