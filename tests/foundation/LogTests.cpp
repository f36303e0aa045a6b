#include "foundation/Log.h"
#include "foundation/String.h"

#include <gtest/gtest.h>

#include <cctype>

#include <unistd.h>

namespace {

TEST(Log, StandardErrorCopyHasThePlatformLoggersShape)
{
    foundation::LogCapture capture;
    ::testing::internal::CaptureStderr();
    foundation::logFormat("userInfo %@", foundation::str("details"));
    std::string line = ::testing::internal::GetCapturedStderr();
    // "2026-12-06 19:44:31.123 foundation_tests[pid:tid] userInfo details"
    const std::string stamp = "dddd-dd-dd dd:dd:dd.ddd ";
    ASSERT_GT(line.size(), stamp.size());
    for (std::size_t i = 0; i < stamp.size(); ++i)
        EXPECT_TRUE(stamp[i] == 'd' ? std::isdigit(static_cast<unsigned char>(line[i])) != 0 : line[i] == stamp[i]) << line;
    std::string expected = "foundation_tests[" + std::to_string(::getpid()) + ":" + std::to_string(::gettid()) + "] userInfo details\n";
    EXPECT_EQ(line.substr(stamp.size()), expected);
    EXPECT_EQ(capture.messages(), std::vector<std::string>{"userInfo details"});
}

TEST(Log, CapturesNestAndOnlyTheNewestReceives)
{
    foundation::LogCapture outer;
    ::testing::internal::CaptureStderr();
    {
        foundation::LogCapture inner;
        foundation::log("inside\n");
        EXPECT_EQ(inner.messages(), std::vector<std::string>{"inside\n"});
    }
    foundation::log("outside");
    std::string text = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(outer.messages(), std::vector<std::string>{"outside"});
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;  // no doubled line feed
}

} // namespace
