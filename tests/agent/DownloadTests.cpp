#include "AgentTestEnvironment.h"

#include "agent/Updater.h"

#include "foundation/system/Log.h"
#include "support/CapturedOutput.h"
#include "support/Waiting.h"

#include <unistd.h>

using namespace foundation;
using corvane::Updater;

class DownloadTest : public AgentTest {
protected:
    DownloadTest()
    {
        installDiskImageTool();
        updater = makeUpdater(window.get());
    }

    // Downloads the release at `path` and answers the one stdout line, once
    // the completion has written it.
    std::string download(const std::string& path)
    {
        updater->setPath(path);
        testsupport::CapturedOutput standardOutput(STDOUT_FILENO);
        updater->downloadAndRunNewVersion();
        EXPECT_TRUE(standardOutput.waitForLines(1)) << path;
        return standardOutput.text();
    }

    std::string destinationText(const char* name) const { return "file://" + (directory / "tmp").string() + "/" + name; }

    Ref<RecordingWindow> window = RecordingWindow::create();
    Ref<Updater> updater;
};

TEST_F(DownloadTest, ImageLandsInTheTemporaryDirectory)
{
    server.setReply("/site/zvk/a/b/x.dmg", testsupport::CannedReply::withBody("disk image"));
    EXPECT_EQ(download("a/b/x.dmg"), "nil\n");
    EXPECT_EQ(server.requests()[0].target, "/site/zvk/a/b/x.dmg");
    EXPECT_EQ(testsupport::readFile(directory / "tmp" / "x.dmg"), "disk image");
    EXPECT_FALSE(toolArgumentsWhenStarted().empty());
}

TEST_F(DownloadTest, TheToolGetsExactlyThreeArguments)
{
    server.setReply("/site/zvk/a/b/x.dmg", testsupport::CannedReply::withBody("disk image"));
    EXPECT_EQ(download("a/b/x.dmg"), "nil\n");
    EXPECT_EQ(toolArgumentsWhenStarted(), "attach\n-autoopen\n" + destinationText("x.dmg") + "\n");
}

TEST_F(DownloadTest, PathWithoutSlashIsTheFileName)
{
    server.setReply("/site/zvk/x.dmg", testsupport::CannedReply::withBody("image"));
    EXPECT_EQ(download("x.dmg"), "nil\n");
    EXPECT_EQ(testsupport::readFile(directory / "tmp" / "x.dmg"), "image");
    EXPECT_EQ(toolArgumentsWhenStarted(), "attach\n-autoopen\n" + destinationText("x.dmg") + "\n");
}

TEST_F(DownloadTest, ExistingFileIsKeptReportedAndStillOpened)
{
    directory.write("tmp/x.dmg", "older image");  // from an earlier download
    server.setReply("/site/zvk/a/x.dmg", testsupport::CannedReply::withBody("newer image"));
    std::string line = download("a/x.dmg");
    EXPECT_NE(line, "nil\n");
    EXPECT_NE(line.find("x.dmg"), std::string::npos) << line;
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);
    EXPECT_EQ(testsupport::readFile(directory / "tmp" / "x.dmg"), "older image");
    EXPECT_EQ(toolArgumentsWhenStarted(), "attach\n-autoopen\n" + destinationText("x.dmg") + "\n");
}

TEST_F(DownloadTest, ANameWithALineFeedFromTheFeedKeepsTheDownloadLineOneLine)
{
    // "%0A" decodes to a line feed in the file's name; the move fails (the
    // name is taken) and its error quotes the name.
    directory.write("tmp/x\ny.dmg", "older image");
    server.setReply("/site/zvk/a/x%0Ay.dmg", testsupport::CannedReply::withBody("newer image"));
    std::string line = download("a/x%0Ay.dmg");
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
    EXPECT_EQ(line.back(), '\n');
    EXPECT_NE(line.find("x\xEF\xBF\xBDy.dmg"), std::string::npos) << line;
    EXPECT_FALSE(toolArgumentsWhenStarted().empty());
}

// The shared temporary directory may hold the name as something another
// user put there first: a directory, a link, or a file that is not ours.
// The download never replaces it nor writes through a link, and it is not
// handed to the disk-image tool either.
TEST_F(DownloadTest, WhatOthersPutUnderTheNameIsLeftAloneAndNotOpened)
{
    server.setReply("/site/zvk/a/x.dmg", testsupport::CannedReply::withBody("newer image"));
    std::filesystem::path name = directory / "tmp" / "x.dmg";
    std::filesystem::path linked = directory.write("elsewhere.dmg", "not ours");
    auto expectLeftAloneAndNotOpened = [&](const char* what) {
        LogCaptureForTesting log;
        std::string line = download("a/x.dmg");
        EXPECT_NE(line.find("x.dmg"), std::string::npos) << what << ": " << line;
        ASSERT_TRUE(log.waitForMessages(1)) << what;  // written once the tool was not started
        EXPECT_NE(log.messages()[0].find("is not opened"), std::string::npos) << what << ": " << log.messages()[0];
        EXPECT_FALSE(std::filesystem::exists(toolArguments())) << what;
    };

    std::filesystem::create_directory(name);
    expectLeftAloneAndNotOpened("a directory");
    EXPECT_TRUE(std::filesystem::is_directory(name));
    EXPECT_TRUE(std::filesystem::is_empty(name));

    std::filesystem::remove(name);
    std::filesystem::create_symlink(linked, name);
    expectLeftAloneAndNotOpened("a link");
    EXPECT_TRUE(std::filesystem::is_symlink(name));
    EXPECT_EQ(testsupport::readFile(linked), "not ours");

    std::filesystem::remove(name);
    if (::geteuid() != 0)
        GTEST_SKIP() << "a file of another user needs root to make; directories and links were checked";
    directory.write("tmp/x.dmg", "someone else's image");
    ASSERT_EQ(::chown(name.c_str(), 65534, 65534), 0);
    expectLeftAloneAndNotOpened("another user's file");
    EXPECT_EQ(testsupport::readFile(name), "someone else's image");
}

TEST_F(DownloadTest, ErrorStatusBodyIsStillMovedAndOpened)
{
    EXPECT_EQ(download("missing/y.dmg"), "nil\n");  // the server answers 404 with a text body
    EXPECT_TRUE(std::filesystem::exists(directory / "tmp" / "y.dmg"));
    EXPECT_EQ(toolArgumentsWhenStarted(), "attach\n-autoopen\n" + destinationText("y.dmg") + "\n");
}

TEST_F(DownloadTest, FailedTransferWritesItsErrorAndOpensNothing)
{
    // A server that hangs up at once, and one that stops half way through.
    for (auto reply : {testsupport::CannedReply::hangingUp(),
                       testsupport::CannedReply::cutOff(std::string(100000, 'd'), 50000, testsupport::CannedReply::Cut::Close)}) {
        server.setReply("/site/zvk/a/x.dmg", reply);
        std::string line = download("a/x.dmg");
        EXPECT_EQ(line.rfind("Error Domain=NSURLErrorDomain", 0), 0u) << line;
        EXPECT_FALSE(std::filesystem::exists(toolArguments()));
        EXPECT_TRUE(std::filesystem::is_empty(directory / "tmp"));
    }
}

TEST_F(DownloadTest, NamesThatWouldLeaveTheDirectoryAreNotKept)
{
    for (const char* path : {"a/..", "a/.", "a/%2e%2e", "a/..%2Fescape"}) {
        std::size_t requestsBefore = server.requests().size();
        server.setReply(std::string("/site/zvk/") + path, testsupport::CannedReply::withBody("payload"));
        std::string line = download(path);
        EXPECT_EQ(server.requests().at(requestsBefore).target, std::string("/site/zvk/") + path);  // sent as given
        EXPECT_NE(line.find("does not name a file in"), std::string::npos) << path << ": " << line;
        EXPECT_FALSE(std::filesystem::exists(toolArguments())) << path;
        EXPECT_TRUE(std::filesystem::is_empty(directory / "tmp")) << path;
        EXPECT_FALSE(std::filesystem::exists(directory / "escape")) << path;
    }
}

TEST_F(DownloadTest, PathThatIsNoURLRequestsNothing)
{
    updater->setPath("a/x y.dmg");
    testsupport::CapturedOutput standardOutput(STDOUT_FILENO);
    LogCaptureForTesting log;
    updater->downloadAndRunNewVersion();
    EXPECT_EQ(standardOutput.stop(), "");
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_NE(log.messages()[0].find("does not form a valid download address"), std::string::npos);
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(DownloadTest, MissingDiskImageToolIsOneLineOnStandardErrorNotACrash)
{
    paths.diskImageTool = (directory / "no-such-hdiutil").string();
    updater = makeUpdater(window.get());
    server.setReply("/site/zvk/x.dmg", testsupport::CannedReply::withBody("image"));
    LogCaptureForTesting log;
    EXPECT_EQ(download("x.dmg"), "nil\n");
    ASSERT_TRUE(log.waitForMessages(1));
    std::vector<std::string> messages = log.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("no-such-hdiutil"), std::string::npos) << messages[0];
    EXPECT_EQ(messages[0].find('\n'), std::string::npos) << messages[0];
}
