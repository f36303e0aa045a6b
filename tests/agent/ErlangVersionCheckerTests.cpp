#include "agent/ErlangVersionChecker.h"

#include "support/CapturedOutput.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <unistd.h>

using corvane::ErlangVersionChecker;

TEST(ErlangVersionChecker, TrimsSurroundingWhiteSpaceOnly)
{
    testsupport::TemporaryDirectory directory;
    struct Case {
        const char* content;
        const char* expected;
    } cases[] = {
        {"26.2.1\n", "26.2.1"},
        {" \t\r\n26.2.1 \t\r\n", "26.2.1"},
        {"26 beta\n", "26 beta"},
        {"\xC2\xA0" "26\xE3\x80\x80", "26"},  // no-break space, ideographic space
        {"", ""},
        {" \n\t ", ""},
        {"26.1\n26.2\r\n", "26.1\n26.2"},
    };
    for (const Case& c : cases) {
        directory.write("version", c.content);
        ErlangVersionChecker checker((directory / "version").string());
        EXPECT_EQ(checker.currentErlangVersion(), std::optional<std::string>(c.expected)) << '"' << c.content << '"';
    }
}

TEST(ErlangVersionChecker, ReadsTheFileAnewEachTime)
{
    testsupport::TemporaryDirectory directory;
    ErlangVersionChecker checker((directory / "version").string());
    directory.write("version", "26.1\n");
    EXPECT_EQ(checker.currentErlangVersion(), "26.1");
    directory.write("version", "26.2\n");
    EXPECT_EQ(checker.currentErlangVersion(), "26.2");
}

TEST(ErlangVersionChecker, UnreadableFilePrintsExactlyOneErrorLine)
{
    testsupport::TemporaryDirectory directory;
    directory.write("latin1", "26.2\xE9\n");
    for (const char* name : {"missing", "latin1"}) {
        ErlangVersionChecker checker((directory / name).string());
        testsupport::CapturedOutput standardOutput(STDOUT_FILENO);
        EXPECT_EQ(checker.currentErlangVersion(), std::nullopt) << name;
        std::string output = standardOutput.stop();
        EXPECT_EQ(output.rfind("Error: Optional(", 0), 0u) << output;
        EXPECT_NE(output.find(name), std::string::npos) << output;  // names the file
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
        EXPECT_EQ(output.back(), '\n');
    }
}
