#pragma once

#include "support/ChildProcess.h"
#include "support/FeedWordSize.h"
#include "support/LoopbackServer.h"
#include "support/TemporaryDirectory.h"

#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace corvanetest {

inline const std::string announcement = "New Erlang version available: 26.1 (final)";
inline const std::string feedPath = "/erlang/erlang/quorvel/general/26.0/" FEED_WORD_SIZE "/data.json";

// The feed offering `canonicalVersion` as the newest stable release.
inline testsupport::CannedReply feedOffering(const std::string& canonicalVersion)
{
    return testsupport::CannedReply::withBody(R"json({"stable": [{"canonical_version": ")json" + canonicalVersion
                                              + R"json(", "version": "26.1 (final)", "path": "otp/26.1/x.dmg"}]})json");
}

// What the real corvane binary needs to run in a test: Erlang 26.0
// installed, a loopback package server offering 26.1, and stand-in paths
// for its settings, its downloads and the disk-image tool.
struct CorvaneSetup {
    CorvaneSetup()
    {
        directory.write("zvk_otp_version", "26.0\n");
        directory.write("hdiutil", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args.tmp\" && mv \"$0.args.tmp\" \"$0.args\"\n");
        chmod((directory / "hdiutil").c_str(), 0755);
        std::filesystem::create_directories(directory / "tmp");
        server.setReply(feedPath, feedOffering("26.1"));
        server.setReply("/site/zvk/otp/26.1/x.dmg", testsupport::CannedReply::withBody("disk image bytes"));
    }

    // A day lasts 86400 / clockScale real seconds.
    testsupport::ChildProcess::Environment environment(const char* clockScale) const
    {
        return {
            {"XDG_CONFIG_HOME", (directory / "config").string()},
            {"CORVANE_CLOCK_SCALE", clockScale},
            {"CORVANE_VERSION_FILE", (directory / "zvk_otp_version").string()},
            {"CORVANE_CONNECT_TO", "127.0.0.1:" + std::to_string(server.port())},
            {"CORVANE_HDIUTIL", (directory / "hdiutil").string()},
            {"CORVANE_TMP_DIR", (directory / "tmp").string()},
        };
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

} // namespace corvanetest
