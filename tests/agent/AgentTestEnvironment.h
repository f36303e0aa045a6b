#pragma once

#include "agent/ProductPaths.h"
#include "agent/UpdaterDelegate.h"

#include "foundation/storage/UserDefaults.h"
#include "support/FeedWordSize.h"
#include "support/LoopbackServer.h"
#include "support/ManualTime.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
protected:
    AgentTest()
        : config_("XDG_CONFIG_HOME", (directory / "config").string())
    {
        std::filesystem::create_directories(directory / "tmp");
        corvane::ProductPaths paths = corvane::ProductPaths::defaults();
        paths.packageServer = "http://127.0.0.1:" + std::to_string(server.port());
        paths.installedVersionFile = (directory / "zvk_otp_version").string();
        paths.temporaryDirectory = (directory / "tmp").string();
        paths.diskImageTool = (directory / "hdiutil").string();
        corvane::ProductPaths::setCurrent(paths);
        foundation::UserDefaults::resetStandardUserDefaults();
    }
    ~AgentTest() override
    {
        foundation::UserDefaults::resetStandardUserDefaults();
        corvane::ProductPaths::setCurrent(corvane::ProductPaths::defaults());
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

    testsupport::TemporaryDirectory directory;
    testsupport::LoopbackServer server;
    testsupport::ManualTime time;

private:
    testsupport::ScopedEnvironment config_;
};
