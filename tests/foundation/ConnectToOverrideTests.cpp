#include "foundation/url/ConnectToOverride.h"

#include "foundation/system/Log.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

using foundation::ConnectToOverride;

class ConnectToSetting : public ::testing::Test {
protected:
    ~ConnectToSetting() override { ConnectToOverride::clear(); }
};

TEST_F(ConnectToSetting, ALoopbackAddressSendsTheHostThere)
{
    for (const char* setting : {"127.0.0.1:8443", "localhost:8443"}) {
        testsupport::ScopedEnvironment environment("TEST_CONNECT_TO", setting);
        EXPECT_TRUE(ConnectToOverride::applySetting("TEST_CONNECT_TO", "userinfo.example", 6984)) << setting;
        EXPECT_EQ(ConnectToOverride::entries(), std::vector<std::string>{"userinfo.example:6984:127.0.0.1:8443"}) << setting;
        ConnectToOverride::clear();
    }
}

TEST_F(ConnectToSetting, NoSettingChangesNothing)
{
    testsupport::ScopedEnvironment environment("TEST_CONNECT_TO", "");
    foundation::LogCaptureForTesting log;
    EXPECT_TRUE(ConnectToOverride::applySetting("TEST_CONNECT_TO", "userinfo.example", 6984));
    EXPECT_TRUE(ConnectToOverride::entries().empty());
    EXPECT_TRUE(log.messages().empty());
}

TEST_F(ConnectToSetting, AnythingButALoopbackPortIsOneDiagnosticAndChangesNothing)
{
    for (const char* setting : {"8443", "10.0.0.1:8443", "127.0.0.1:", "127.0.0.1:0", "127.0.0.1:65536", "127.0.0.1:84x3",
                                "userinfo.example:6984"}) {
        testsupport::ScopedEnvironment environment("TEST_CONNECT_TO", setting);
        foundation::LogCaptureForTesting log;
        EXPECT_FALSE(ConnectToOverride::applySetting("TEST_CONNECT_TO", "userinfo.example", 6984)) << setting;
        EXPECT_TRUE(ConnectToOverride::entries().empty()) << setting;
        EXPECT_EQ(log.messages(), std::vector<std::string>{std::string("TEST_CONNECT_TO must be 127.0.0.1:<port> of a loopback server, not \"")
                                                           + setting + "\""});
    }
}
