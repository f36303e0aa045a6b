// The real installer loading the real Quillon bundle, driven by line
// commands as a script would, against a loopback HTTPS server that stands
// in for the user-info server.
#include "support/ChildProcess.h"
#include "support/LoopbackServer.h"
#include "support/TemporaryDirectory.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <filesystem>
#include <sys/wait.h>

namespace {

const std::string introduction = "== pane \"Introduction\" (1 of 3)";
const std::string fullForm = "set 1 Ada\nset 2 Lovelace\nset 3 ada@example.org\nset 4 Analytical Engines\nset 5 United Kingdom\n";

class InstallerEndToEnd : public ::testing::Test {
protected:
    std::unique_ptr<testsupport::ChildProcess> startInstaller(std::vector<std::string> arguments = {QUILLON_BUNDLE})
    {
        return std::make_unique<testsupport::ChildProcess>(
            INSTALLER_BINARY, arguments,
            testsupport::ChildProcess::Environment{{"APPKIT_PRESENTER", "lines"},
                                                   {"QUILLON_CONNECT_TO", "127.0.0.1:" + std::to_string(server.port())}});
    }

    // The installer started by a shell line, as "$0" with the arguments
    // after it: a script's redirections and working folder.
    std::unique_ptr<testsupport::ChildProcess> startFromShell(const std::string& line, std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {"-c", line, INSTALLER_BINARY});
        return std::make_unique<testsupport::ChildProcess>(
            "/bin/sh", arguments, testsupport::ChildProcess::Environment{{"APPKIT_PRESENTER", "lines"}});
    }

    int exitStatus(testsupport::ChildProcess& installer)
    {
        int status = installer.waitForExit(20);
        EXPECT_TRUE(WIFEXITED(status)) << status;
        return WEXITSTATUS(status);
    }

    testsupport::LoopbackServer server{testsupport::LoopbackServer::Security::TLS, USERINFO_SERVER_HOST};
};

} // namespace

TEST_F(InstallerEndToEnd, ScriptFillsTheFormAndTheServerReceivesOneDocument)
{
    auto installer = startInstaller();
    ASSERT_TRUE(installer->waitForOutput("== pane \"Introduction\" (1 of 3)", 20)) << installer->error();
    installer->writeInput("next\n");
    ASSERT_TRUE(installer->waitForOutput("[Next (disabled)]", 20)) << installer->output();
    installer->writeInput("set 1 Ada\nset 2 Lovelace\nset 3 ada@example.org\nset 4 Analytical Engines\nset 5 United Kingdom\nnext\n");
    ASSERT_TRUE(installer->waitForOutput("== pane \"Summary\" (3 of 3)", 20)) << installer->output();
    ASSERT_TRUE(server.waitForRequests(1));
    ASSERT_TRUE(installer->waitForError("received data ", 20)) << installer->error();
    installer->writeInput("back\nnext\nnext\n");
    EXPECT_EQ(exitStatus(*installer), 0);

    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "PUT");
    EXPECT_TRUE(requests[0].target.starts_with("/userinfo/Ada_Lovelace_")) << requests[0].target;
    auto body = nlohmann::json::parse(requests[0].body);
    EXPECT_EQ(body["organization"], "Analytical Engines");
    EXPECT_EQ(body["otpVsn"], "26.2.1");
    EXPECT_NE(installer->output().find("[1] First name: Ada"), std::string::npos);
    EXPECT_NE(installer->error().find("userInfo {"), std::string::npos);
    EXPECT_NE(installer->error().find("challange " USERINFO_SERVER_HOST), std::string::npos);
}

TEST_F(InstallerEndToEnd, IncompleteFormKeepsNextDisabledAndSkipSendsNothing)
{
    auto installer = startInstaller();
    installer->writeInput("next\nset 1 Ada\nnext\n");
    ASSERT_TRUE(installer->waitForOutput("== ignored \"next\": Next is disabled", 20)) << installer->output();
    installer->writeInput("press Skip\n");
    ASSERT_TRUE(installer->waitForOutput("== pane \"Summary\" (3 of 3)", 20)) << installer->output();
    installer->writeInput("quit\n");
    EXPECT_EQ(exitStatus(*installer), 1);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(installer->error().find("userInfo"), std::string::npos);
}

TEST_F(InstallerEndToEnd, MissingBundleIsReportedWithStatusTwo)
{
    testsupport::ChildProcess installer(INSTALLER_BINARY, {"/nonexistent/Quillon.bundle"}, {});
    ASSERT_TRUE(installer.waitForError("installer: /nonexistent/Quillon.bundle: not a bundle directory", 20)) << installer.error();
    EXPECT_EQ(exitStatus(installer), 2);
}

// A script that quits and goes on typing: the rest of it, read in the same
// chunk, would otherwise walk on and upload the person's details.
TEST_F(InstallerEndToEnd, NothingTypedAfterQuitIsActedOn)
{
    auto installer = startInstaller();
    installer->writeInput("quit\nnext\n" + fullForm + "next\n");
    EXPECT_EQ(exitStatus(*installer), 1);
    EXPECT_EQ(installer->output().find("Registration"), std::string::npos) << installer->output();
    EXPECT_EQ(installer->error().find("userInfo"), std::string::npos) << installer->error();
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(InstallerEndToEnd, NothingTypedAfterTheClosingNextIsActedOn)
{
    auto installer = startInstaller();
    installer->writeInput("next\n" + fullForm + "next\n");
    ASSERT_TRUE(installer->waitForOutput("== pane \"Summary\" (3 of 3)", 20)) << installer->output();
    std::size_t summary = installer->output().find("== pane \"Summary\"");
    installer->writeInput("next\nback\nquit\n");
    EXPECT_EQ(exitStatus(*installer), 0);
    EXPECT_EQ(installer->output().find("== pane", summary + 1), std::string::npos) << installer->output().substr(summary);
}

// A script's own line endings: CR LF counts as the line's end, not against
// its length.
TEST_F(InstallerEndToEnd, ACommandOfTheLongestLengthEndingInCarriageReturnLineFeedIsRead)
{
    auto installer = startInstaller();
    std::string command = "set 1 " + std::string(4096 - 6, 'a');
    installer->writeInput("next\r\n" + command + "\r\n");
    EXPECT_TRUE(installer->waitForOutput("[1] First name: aaaa", 20)) << installer->output().substr(0, 3000);
    installer->writeInput("quit\n");
    EXPECT_EQ(exitStatus(*installer), 1);
    EXPECT_EQ(installer->output().find("== ignored"), std::string::npos);
}

TEST_F(InstallerEndToEnd, TheBundleIsFoundWhateverPathLeadsToIt)
{
    testsupport::TemporaryDirectory directory;
    std::filesystem::create_directory_symlink(QUILLON_BUNDLE, directory / "Renamed.bundle");
    // "--" keeps an operand that looks like an option from being read as one.
    std::filesystem::create_directory_symlink(QUILLON_BUNDLE, directory / "--presenter=x.bundle");
    std::vector<std::unique_ptr<testsupport::ChildProcess>> installers;
    installers.push_back(startInstaller({(directory / "Renamed.bundle").string()}));
    installers.push_back(startInstaller({QUILLON_BUNDLE "/."}));
    installers.push_back(startFromShell("cd \"$1\" && exec \"$0\" .", {QUILLON_BUNDLE}));
    installers.push_back(startFromShell("cd \"$1\" && exec \"$0\" -- --presenter=x.bundle", {directory.path().string()}));
    for (auto& installer : installers) {
        EXPECT_TRUE(installer->waitForOutput(introduction, 20)) << installer->error();
        installer->writeInput("quit\n");
        EXPECT_EQ(exitStatus(*installer), 1) << installer->error();
    }
}

// With standard input closed, nothing may take its number and be read as
// input (the run loop's wake-up did, and the installer hung); the closed
// input is the end of the input.
TEST_F(InstallerEndToEnd, ClosedStandardInputIsTheEndOfTheInput)
{
    auto installer = startFromShell("exec \"$0\" \"$1\" <&-", {QUILLON_BUNDLE});
    EXPECT_TRUE(installer->waitForOutput(introduction, 20)) << installer->error();
    EXPECT_EQ(exitStatus(*installer), 1);
}

// With standard output closed, the pane blocks go nowhere rather than into
// whatever takes its number.
TEST_F(InstallerEndToEnd, ClosedStandardOutputIsHeldOnTheNullDevice)
{
    auto installer = startFromShell("exec \"$0\" \"$1\" >&-", {QUILLON_BUNDLE});
    std::filesystem::path process = "/proc/" + std::to_string(installer->pid());
    std::filesystem::path output = process / "fd/1";
    std::error_code error;
    // Past the start-up: the run loop has made its wake-up descriptor.
    auto hasRunLoop = [&] {
        for (const auto& entry : std::filesystem::directory_iterator(process / "fd", error)) {
            if (std::filesystem::read_symlink(entry.path(), error) == "anon_inode:[eventfd]")
                return true;
        }
        return false;
    };
    ASSERT_TRUE(testsupport::pollUntil(hasRunLoop));
    EXPECT_EQ(std::filesystem::read_symlink(output, error), "/dev/null");
    installer->writeInput("quit\n");
    EXPECT_EQ(exitStatus(*installer), 1);
}
