// How a command line is read against a program's syntax: options with and
// without values, operands, "--" and "-", and the first mistake reported.
#include "foundation/system/CommandLine.h"

#include <gtest/gtest.h>

namespace {

const foundation::CommandLineSyntax syntax = {
    "tool", "9.9", "Usage: tool\n", {{"flag"}, {"kind", true}}, 1,
};

foundation::CommandLine read(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "tool");
    return foundation::CommandLine(syntax, static_cast<int>(arguments.size()), arguments.data());
}

TEST(CommandLineReading, OptionsAndOneOperandAreTaken)
{
    foundation::CommandLine line = read({"--flag", "file", "--kind=a", "--kind=b"});
    EXPECT_EQ(line.error(), "");
    EXPECT_TRUE(line.has("flag"));
    EXPECT_EQ(line.value("kind"), "b");  // the last occurrence wins
    EXPECT_FALSE(read({}).has("flag"));
    ASSERT_EQ(line.operands().size(), 1u);
    EXPECT_EQ(line.operands().front(), "file");
    EXPECT_EQ(line.answer(), std::nullopt);
}

TEST(CommandLineReading, DashIsAnOperandAndDoubleDashEndsTheOptions)
{
    EXPECT_EQ(read({"-"}).operands(), std::vector<std::string_view>{"-"});
    foundation::CommandLine line = read({"--", "--flag"});
    EXPECT_EQ(line.error(), "");
    EXPECT_FALSE(line.has("flag"));
    EXPECT_EQ(line.operands(), std::vector<std::string_view>{"--flag"});
}

TEST(CommandLineReading, MistakesAreNamed)
{
    EXPECT_EQ(read({"--other"}).error(), "unknown option '--other'");
    EXPECT_EQ(read({"--kind"}).error(), "option '--kind' needs a value (--kind=...)");
    EXPECT_EQ(read({"--kind="}).error(), "option '--kind' needs a value (--kind=...)");
    EXPECT_EQ(read({"--flag=yes"}).error(), "option '--flag' takes no value");
    EXPECT_EQ(read({"one", "two"}).error(), "too many arguments: 'two'");
    EXPECT_EQ(read({"--help=me"}).error(), "option '--help' takes no value");
}

TEST(CommandLineReading, FirstMistakeIsReportedEvenBesideHelp)
{
    foundation::CommandLine line = read({"--bogus", "--other", "--help"});
    EXPECT_EQ(line.error(), "unknown option '--bogus'");
}

TEST(CommandLineReading, ProgramWithoutOperandsRefusesOne)
{
    foundation::CommandLineSyntax none = syntax;
    none.maximumOperands = 0;
    const char* arguments[] = {"tool", "stray"};
    EXPECT_EQ(foundation::CommandLine(none, 2, arguments).error(), "unexpected argument 'stray'");
}

} // namespace
