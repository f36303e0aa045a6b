// The real jotter binary: files and standard input, its options, the error
// line and the exit statuses.
#include "support/ChildProcess.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

namespace {

struct JotterRun {
    int exitStatus = -1;
    std::string output;
    std::string error;
};

// Runs jotter to its end, `input` on its standard input.
JotterRun runJotter(const std::vector<std::string>& arguments, std::string_view input = {})
{
    testsupport::ChildProcess jotter(JOTTER_BINARY, arguments, {});
    jotter.writeInput(input);
    jotter.closeInput();
    int status = jotter.waitForExit(20);
    JotterRun run;
    run.exitStatus = status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.output = jotter.output();
    run.error = jotter.error();
    return run;
}

class JotterEndToEnd : public ::testing::Test {
protected:
    testsupport::TemporaryDirectory directory;
};

TEST_F(JotterEndToEnd, FileIsWrittenBackCompactWithOneLineBreak)
{
    std::string path = directory.write("in.json", "{ \"a\" : [ 1 , 2.5 , true , null ] }\n").string();
    JotterRun run = runJotter({path});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.output, "{\"a\":[1,2.5,true,null]}\n");
    EXPECT_EQ(run.error, "");
}

TEST_F(JotterEndToEnd, StandardInputIsReadWithoutAFileOrWithDash)
{
    EXPECT_EQ(runJotter({"--pretty"}, R"({"b":1,"a":[2]})").output, "{\n  \"a\": [\n    2\n  ],\n  \"b\": 1\n}\n");
    EXPECT_EQ(runJotter({"-"}, "[1]").output, "[1]\n");
}

TEST_F(JotterEndToEnd, OptionsReachTheDecoderAndTheEncoder)
{
    JotterRun run = runJotter({"--comments", "--escape-unicode", "--escape-slash", "--trailing-text"},
        "[\"\u00e9/\" /* note */] trailing");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.output, "[\"\\u00e9\\/\"]\n");
    EXPECT_EQ(runJotter({"--lenient-unicode"}, "[\"\\uD800\"]").output, "[\"\uFFFD\"]\n");
    EXPECT_EQ(runJotter({"--unicode-newlines"}, "[1,\xE2\x80\xA8 2]").output, "[1,2]\n");
}

TEST_F(JotterEndToEnd, DecodingErrorIsOneLineWithFileLineAndOffset)
{
    std::string path = directory.write("bad.json", "[1,\n2,\n,3]").string();
    JotterRun run = runJotter({path});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.error, "jotter: " + path + ":3: Unexpected ','. (byte 8)\n");
    EXPECT_EQ(runJotter({}, "[1] x").error, "jotter: <stdin>:1: A valid JSON object was parsed but there were "
                                            "additional non-white-space characters remaining. (byte 4)\n");
}

TEST_F(JotterEndToEnd, CheckPrintsNothingAndReportsByStatus)
{
    JotterRun valid = runJotter({"--check"}, "{\"a\": 1}");
    EXPECT_EQ(valid.exitStatus, 0);
    EXPECT_EQ(valid.output, "");
    JotterRun invalid = runJotter({"--check"}, "{\"a\" 1}");
    EXPECT_EQ(invalid.exitStatus, 1);
    EXPECT_EQ(invalid.error, "jotter: <stdin>:1: Expected ':'. (byte 6)\n");
}

TEST_F(JotterEndToEnd, UsageErrorsExitWithTwo)
{
    JotterRun unknown = runJotter({"--frobnicate"});
    EXPECT_EQ(unknown.exitStatus, 2);
    EXPECT_EQ(unknown.error, "jotter: unknown option '--frobnicate' (try 'jotter --help')\n");
    EXPECT_EQ(runJotter({"a.json", "b.json"}).exitStatus, 2);
}

TEST_F(JotterEndToEnd, HelpDescribesTheCommand)
{
    JotterRun run = runJotter({"--help"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.output.rfind("Usage: jotter [OPTIONS] [FILE]\n", 0), 0u);
    for (const char* option : {"--pretty", "--escape-unicode", "--escape-slash", "--comments", "--unicode-newlines",
             "--lenient-unicode", "--trailing-text", "--check"})
        EXPECT_NE(run.output.find(option), std::string::npos) << option;
}

TEST_F(JotterEndToEnd, UnreadableFileExitsWithOne)
{
    std::string path = (directory / "missing.json").string();
    JotterRun run = runJotter({path});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.error, "jotter: " + path + ": No such file or directory\n");
}

} // namespace
