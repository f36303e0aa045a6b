// The real corvane binary, driven as a tester would: a loopback package
// server, stand-in paths, a clock that runs two days per real second, and
// button choices typed as lines on its standard input.
#include "support/ChildProcess.h"
#include "support/FeedWordSize.h"
#include "support/LoopbackServer.h"
#include "support/TemporaryDirectory.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

const std::string announcement = "New Erlang version available: 26.1 (final)";

class CorvaneEndToEnd : public ::testing::Test {
protected:
    CorvaneEndToEnd()
    {
        directory.write("zvk_otp_version", "26.0\n");
        directory.write("hdiutil", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args.tmp\" && mv \"$0.args.tmp\" \"$0.args\"\n");
        chmod((directory / "hdiutil").c_str(), 0755);
        std::filesystem::create_directories(directory / "tmp");
        server.setReply("/erlang/erlang/quorvel/general/26.0/" FEED_WORD_SIZE "/data.json",
                        testsupport::CannedReply::withBody(
                            R"json({"stable": [{"canonical_version": "26.1", "version": "26.1 (final)", "path": "otp/26.1/x.dmg"}]})json"));
        server.setReply("/site/zvk/otp/26.1/x.dmg", testsupport::CannedReply::withBody("disk image bytes"));
    }

    // A day lasts 86400 / clockScale real seconds.
    // The window as lines, display or not, unless the test says otherwise.
    std::unique_ptr<testsupport::ChildProcess> startAgent(const char* clockScale = "172800",
                                                          testsupport::ChildProcess::Environment presentation = {{"APPKIT_PRESENTER", "lines"}},
                                                          std::vector<std::string> arguments = {})
    {
        return std::make_unique<testsupport::ChildProcess>(
            CORVANE_BINARY, arguments,
            testsupport::ChildProcess::Environment{
                presentation.front(), presentation.back(),
                {"XDG_CONFIG_HOME", (directory / "config").string()},
                {"CORVANE_CLOCK_SCALE", clockScale},
                {"CORVANE_VERSION_FILE", (directory / "zvk_otp_version").string()},
                {"CORVANE_CONNECT_TO", "127.0.0.1:" + std::to_string(server.port())},
                {"CORVANE_HDIUTIL", (directory / "hdiutil").string()},
                {"CORVANE_TMP_DIR", (directory / "tmp").string()},
            });
    }

    std::size_t feedRequests() const
    {
        std::size_t count = 0;
        for (const auto& request : server.requests())
            count += request.target.find("data.json") != std::string::npos;
        return count;
    }

    testsupport::TemporaryDirectory directory;
    testsupport::LoopbackServer server;
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
    server.setReply("/erlang/erlang/quorvel/general/26.0/" FEED_WORD_SIZE "/data.json",
                    testsupport::CannedReply::stalling());
    auto agent = startAgent();
    ASSERT_TRUE(testsupport::pollUntil([&] { return feedRequests() >= 3; }, 20));
    int status = agent->terminate(SIGTERM, 10);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(agent->error(), "");
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
