#include "foundation/Log.h"
#include "foundation/String.h"

#include <gtest/gtest.h>

#include <regex>

#include <unistd.h>

namespace {

TEST(Log, StandardErrorCopyHasThePlatformLoggersShape)
{
    foundation::LogCapture capture;
    ::testing::internal::CaptureStderr();
    foundation::logFormat("userInfo %@", foundation::str("details"));
    std::string line = ::testing::internal::GetCapturedStderr();
    std::regex shape(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} foundation_tests\[(\d+):(\d+)\] userInfo details\n)");
    std::smatch parts;
    ASSERT_TRUE(std::regex_match(line, parts, shape)) << line;
    EXPECT_EQ(std::stoi(parts[1]), ::getpid());
    EXPECT_EQ(std::stoi(parts[2]), ::gettid());
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
