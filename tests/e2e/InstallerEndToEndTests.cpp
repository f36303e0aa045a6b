// The real installer loading the real Quillon bundle, driven by line
// commands as a script would, against a loopback HTTPS server that stands
// in for the user-info server.
#include "support/ChildProcess.h"
#include "support/LoopbackServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <sys/wait.h>

namespace {

class InstallerEndToEnd : public ::testing::Test {
protected:
    std::unique_ptr<testsupport::ChildProcess> startInstaller()
    {
        return std::make_unique<testsupport::ChildProcess>(
            INSTALLER_BINARY, std::vector<std::string>{QUILLON_BUNDLE},
            testsupport::ChildProcess::Environment{{"APPKIT_PRESENTER", "lines"},
                                                   {"QUILLON_CONNECT_TO", "127.0.0.1:" + std::to_string(server.port())}});
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
