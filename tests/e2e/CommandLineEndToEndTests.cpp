// The three real programs read their command lines the same way: --help and
// --version answer and exit 0, a wrong command line is refused with one line
// and status 2 before the program starts, and the manual page lists exactly
// the options --help does.
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/wait.h>

namespace {

struct Program {
    std::string name;
    std::string binary;
};

// Named by the program alone in the tests' names and messages.
void PrintTo(const Program& program, std::ostream* stream)
{
    *stream << program.name;
}

struct ProgramRun {
    int exitStatus = -1;
    std::string output;
    std::string error;
};

ProgramRun run(const Program& program, const std::vector<std::string>& arguments)
{
    // Without a display and with standard input closed at once: a program
    // that failed to refuse would start and then end on its own (or be
    // caught by the time limit), never hang the test.
    testsupport::ChildProcess child(program.binary, arguments, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
    child.closeInput();
    int status = child.waitForExit(20);
    if (status < 0)
        status = child.terminate(SIGKILL, 10);
    ProgramRun result;
    result.exitStatus = status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.output = child.output();
    result.error = child.error();
    return result;
}

// The options a text names: "--name" at the start of a line of --help's
// option list, or anywhere in a manual page's OPTIONS section.
std::set<std::string> optionsIn(const std::string& text)
{
    std::set<std::string> names;
    auto isNameCharacter = [](char c) { return (c >= 'a' && c <= 'z') || c == '-'; };
    for (auto at = text.find("--"); at != std::string::npos; at = text.find("--", at + 2)) {
        std::size_t end = at + 2;
        while (end < text.size() && isNameCharacter(text[end]))
            ++end;
        if (end > at + 2 && text[at + 2] != '-')
            names.insert(text.substr(at + 2, end - at - 2));
        at = end - 2;
    }
    return names;
}

std::set<std::string> helpOptions(const std::string& help)
{
    std::istringstream lines(help);
    std::string list;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("  --"))
            list += line.substr(0, line.find(' ', 2)) + "\n";
    }
    return optionsIn(list);
}

std::set<std::string> manualPageOptions(const std::string& name)
{
    std::ifstream file(std::string(MANUAL_PAGES) + "/" + name + ".1");
    std::stringstream contents;
    contents << file.rdbuf();
    std::string page = contents.str();
    std::size_t start = page.find("\n.SH OPTIONS\n");
    std::size_t end = page.find("\n.SH ", start + 1);
    if (start == std::string::npos)
        return {};
    std::string section = page.substr(start, end - start);
    // roff writes a minus as \- and a hyphen inside a name the same way.
    for (auto at = section.find("\\-"); at != std::string::npos; at = section.find("\\-", at))
        section.erase(at, 1);
    return optionsIn(section);
}

class CommandLine : public ::testing::TestWithParam<Program> {};

TEST_P(CommandLine, VersionNamesTheProgramAndThePackageVersion)
{
    ProgramRun result = run(GetParam(), {"--version"});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output, GetParam().name + " " PACKAGE_VERSION "\n");
    EXPECT_EQ(result.error, "");
}

TEST_P(CommandLine, HelpShowsTheUsageAndExitsZero)
{
    ProgramRun result = run(GetParam(), {"--help"});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output.rfind("Usage: " + GetParam().name + " ", 0), 0u) << result.output;
    EXPECT_EQ(result.error, "");
}

TEST_P(CommandLine, UnknownOptionIsRefusedWithOneLineAndStatusTwo)
{
    ProgramRun result = run(GetParam(), {"--bogus"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.error,
              GetParam().name + ": unknown option '--bogus' (try '" + GetParam().name + " --help')\n");
    EXPECT_EQ(result.output, "");
}

TEST_P(CommandLine, SurplusOperandIsRefusedWithStatusTwo)
{
    ProgramRun result = run(GetParam(), {"first", "second"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(std::count(result.error.begin(), result.error.end(), '\n'), 1) << result.error;
}

TEST_P(CommandLine, ManualPageListsExactlyTheOptionsOfHelp)
{
    ProgramRun help = run(GetParam(), {"--help"});
    std::set<std::string> options = helpOptions(help.output);
    EXPECT_TRUE(options.contains("help") && options.contains("version")) << help.output;
    EXPECT_EQ(manualPageOptions(GetParam().name), options);
}

INSTANTIATE_TEST_SUITE_P(Programs, CommandLine,
                         ::testing::Values(Program{"corvane", CORVANE_BINARY}, Program{"installer", INSTALLER_BINARY},
                                           Program{"jotter", JOTTER_BINARY}),
                         [](const ::testing::TestParamInfo<Program>& info) { return info.param.name; });

TEST(PresenterOption, WithoutAValueIsRefusedWithOneLineAndStatusTwo)
{
    for (const Program& program : {Program{"corvane", CORVANE_BINARY}, Program{"installer", INSTALLER_BINARY}}) {
        ProgramRun result = run(program, {"--presenter"});
        EXPECT_EQ(result.exitStatus, 2) << program.name;
        EXPECT_EQ(result.error, program.name + ": option '--presenter' needs a value (--presenter=...) (try '" +
                                    program.name + " --help')\n");
    }
}

TEST(PresenterOption, UnknownKindStopsTheAgentBeforeItStarts)
{
    ProgramRun result = run({"corvane", CORVANE_BINARY}, {"--presenter=window"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.error, "corvane: --presenter must be desktop, terminal or lines, not \"window\"\n");
}

} // namespace
