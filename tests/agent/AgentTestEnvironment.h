#pragma once

#include "agent/ProductPaths.h"
#include "agent/Updater.h"
#include "agent/UpdaterDelegate.h"

#include "foundation/runloop/OperationQueue.h"
#include "foundation/storage/UserDefaults.h"
#include "foundation/url/ConnectToOverride.h"
#include "support/FeedWordSize.h"
#include "support/LoopbackServer.h"
#include "support/ManualTime.h"
#include "support/TemporaryDirectory.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>

// Waits until the completions the URL session has already handed to its
// queue have run (a download's starts the disk-image tool, which reads the
// environment), so that changing the environment afterwards is ordered
// after them.
inline void waitForDeliveredCompletions()
{
    foundation::OperationQueue::background().waitUntilAllOperationsAreFinished();
}

// A window stand-in that records what the Updater asks of it.
class RecordingWindow final : public corvane::UpdaterDelegate {
public:
    static foundation::Ref<RecordingWindow> create() { return foundation::Ref<RecordingWindow>::adopt(new RecordingWindow); }
    void showWindow(const std::string& version) override
    {
        shown.push_back(version);
        visible = true;
    }
    void hideWindow() override { visible = false; }
    bool windowIsVisible() override
    {
        ++visibilityQuestions;
        return visible;
    }

    bool visible = false;
    int visibilityQuestions = 0;
    std::vector<std::string> shown;
};

// Everything an agent test touches, in its own places: a temporary
// directory for the installed-version file, the defaults and the stand-in
// /tmp; a loopback package server; a manual clock on the main run loop.
class AgentTest : public ::testing::Test {
    friend class ProcessPlaces;

protected:
    AgentTest()
        : config_("XDG_CONFIG_HOME", (directory / "config").string())
    {
        std::filesystem::create_directories(directory / "tmp");
        paths.packageServer = "http://127.0.0.1:" + std::to_string(server.port());
        paths.installedVersionFile = (directory / "zvk_otp_version").string();
        paths.temporaryDirectory = (directory / "tmp").string();
        paths.diskImageTool = (directory / "hdiutil").string();
        foundation::UserDefaults::resetStandardUserDefaults();
    }
    ~AgentTest() override
    {
        waitForDeliveredCompletions();
        foundation::UserDefaults::resetStandardUserDefaults();
    }

    // An Updater on this test's places, with the test's trust (by default
    // none: updates not verified).
    foundation::Ref<corvane::Updater> makeUpdater(corvane::UpdaterDelegate* delegate,
                                                  corvane::UpdateTrust trust = {}) const
    {
        return corvane::Updater::create(std::make_unique<corvane::ErlangVersionChecker>(paths.installedVersionFile),
                                        delegate, paths, std::move(trust));
    }

    void installVersion(std::string_view text) const { directory.write("zvk_otp_version", text); }
    std::string feedPath(std::string_view version) const
    {
        return "/erlang/erlang/quorvel/general/" + std::string(version) + "/" FEED_WORD_SIZE "/data.json";
    }
    void offerFeed(std::string_view installed, std::string body)
    {
        server.setReply(feedPath(installed), testsupport::CannedReply::withBody(std::move(body)));
    }

    // Puts a stand-in at the disk-image tool's path that records its
    // arguments, one a line.
    void installDiskImageTool() const
    {
        directory.write("hdiutil", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args.tmp\" && mv \"$0.args.tmp\" \"$0.args\"\n");
        chmod((directory / "hdiutil").c_str(), 0755);
    }
    std::filesystem::path toolArguments() const { return directory / "hdiutil.args"; }
    // What the stand-in was started with, once it has run. A test that
    // starts it waits for this, so that the download's completion has been
    // delivered before the test ends.
    std::string toolArgumentsWhenStarted() const
    {
        EXPECT_TRUE(testsupport::pollUntil([&] { return std::filesystem::exists(toolArguments()); }));
        return testsupport::readFile(toolArguments());
    }

    testsupport::TemporaryDirectory directory;
    testsupport::LoopbackServer server;
    corvane::ProductPaths paths = corvane::ProductPaths::defaults();
    testsupport::ManualTime time;

private:
    testsupport::ScopedEnvironment config_;
};

// For what takes the agent's places from the process, as a launch does
// (the AppDelegate): while it lives, the testers' settings name the test's
// places, and the product's server is sent to the test's loopback one.
class ProcessPlaces {
public:
    explicit ProcessPlaces(const AgentTest& test)
        : versionFile_("CORVANE_VERSION_FILE", test.paths.installedVersionFile),
          temporaryDirectory_("CORVANE_TMP_DIR", test.paths.temporaryDirectory),
          diskImageTool_("CORVANE_HDIUTIL", test.paths.diskImageTool)
    {
        foundation::Ref<foundation::URL> server = foundation::URL::create(corvane::ProductPaths::defaults().packageServer);
        foundation::ConnectToOverride::set(server->host(), server->port().value_or(80), test.server.port());
    }
    ~ProcessPlaces()
    {
        waitForDeliveredCompletions();
        foundation::ConnectToOverride::clear();
    }
    ProcessPlaces(const ProcessPlaces&) = delete;
    ProcessPlaces& operator=(const ProcessPlaces&) = delete;

private:
    testsupport::ScopedEnvironment versionFile_;
    testsupport::ScopedEnvironment temporaryDirectory_;
    testsupport::ScopedEnvironment diskImageTool_;
};
