#include "foundation/system/Log.h"
#include "foundation/objects/String.h"

#include "support/CapturedOutput.h"

#include <gtest/gtest.h>

#include <cctype>

#include <unistd.h>

namespace {

TEST(Log, TheNewestCaptureReceives)
{
    foundation::LogCaptureForTesting outer;
    {
        foundation::LogCaptureForTesting inner;
        foundation::log("inside");
        EXPECT_EQ(inner.messages(), std::vector<std::string>{"inside"});
    }
    foundation::log("outside");
    EXPECT_EQ(outer.messages(), std::vector<std::string>{"outside"});
}

TEST(Log, StandardErrorCopyHasThePlatformLoggersShape)
{
    testsupport::CapturedOutput standardError(STDERR_FILENO);
    {
        foundation::LogCaptureForTesting capture;
        foundation::logFormat("userInfo %@\n", foundation::str("details"));
        EXPECT_EQ(capture.messages(), std::vector<std::string>{"userInfo details\n"});
    }
    foundation::log("outside");
    std::string text = standardError.stop();
    // "2026-12-06 19:44:31.123 foundation_tests_threads[pid:tid] userInfo details", no doubled line feed
    const std::string stamp = "dddd-dd-dd dd:dd:dd.ddd ";
    ASSERT_GT(text.size(), stamp.size());
    for (std::size_t i = 0; i < stamp.size(); ++i)
        EXPECT_TRUE(stamp[i] == 'd' ? std::isdigit(static_cast<unsigned char>(text[i])) != 0 : text[i] == stamp[i]) << text;
    std::string process = "foundation_tests_threads[" + std::to_string(::getpid()) + ":" + std::to_string(::gettid()) + "] ";
    EXPECT_EQ(text.substr(stamp.size(), process.size() + 17), process + "userInfo details\n");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
}

TEST(Log, ADiagnosticIsOneLineAfterTheProgramName)
{
    foundation::LogCaptureForTesting log;
    testsupport::CapturedOutput standardError(STDERR_FILENO);
    foundation::logDiagnostic("the strings table x is ignored");
    foundation::logDiagnostic("could not launch y\n");
    EXPECT_EQ(standardError.stop(), "foundation_tests_threads: the strings table x is ignored\n"
                                    "foundation_tests_threads: could not launch y\n");
    EXPECT_EQ(log.messages(), (std::vector<std::string>{"the strings table x is ignored", "could not launch y\n"}));
}

// Messages quote what servers and files sent; on standard error (often a
// terminal) that must not steer the terminal nor forge lines.
TEST(Log, ControlCharactersReachStandardErrorAsReplacementCharacters)
{
    const std::string hostile = "reply \x1b]0;title\x07 \r\xC2\x9B" "2J\nforged line";
    foundation::LogCaptureForTesting log;
    testsupport::CapturedOutput standardError(STDERR_FILENO);
    foundation::logDiagnostic(hostile);
    std::string diagnostic = standardError.stop();
    EXPECT_EQ(diagnostic, "foundation_tests_threads: reply \xEF\xBF\xBD]0;title\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD" "2J"
                          "\xEF\xBF\xBD" "forged line\n");

    testsupport::CapturedOutput logged(STDERR_FILENO);
    foundation::log(hostile);
    std::string line = logged.stop();
    // The system log's copy keeps the message's own line breaks.
    EXPECT_NE(line.find("] reply \xEF\xBF\xBD]0;title\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD" "2J\nforged line\n"),
              std::string::npos) << line;
    EXPECT_EQ(log.messages(), (std::vector<std::string>{hostile, hostile}));  // captures keep what was given
}

} // namespace
