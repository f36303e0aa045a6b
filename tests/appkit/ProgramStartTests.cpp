// The start-up both programs share: the command line read once, the
// presenter chosen once from that reading.
#include "support/Descriptors.h"

#include "appkit/Application.h"
#include "appkit/ProgramStart.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

using appkit::PresenterKind;
using foundation::ExitStatus;

namespace {

const foundation::CommandLineSyntax syntax = {"installer", "1.0", "Usage: installer\n", {{"presenter", true}}, 1};

struct Started {
    int status = -1;
    std::optional<appkit::PresenterRequest> presenter;
    std::vector<std::string> operands;
    std::string error;
};

Started start(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "installer");
    Started started;
    Pipe error;
    {
        Redirection stderrTo(STDERR_FILENO, error.write);
        started.status = appkit::startProgram(syntax, static_cast<int>(arguments.size()), arguments.data(), STDERR_FILENO,
                                              [&started](const appkit::ProgramStart& start) {
                                                  started.presenter = start.presenter;
                                                  for (std::string_view operand : start.commandLine.operands())
                                                      started.operands.emplace_back(operand);
                                                  return ExitStatus::Failure;
                                              });
    }
    started.error = error.contents();
    return started;
}

// The test's own environment must not choose for it.
class ProgramStart : public ::testing::Test {
protected:
    ProgramStart() { ::unsetenv("APPKIT_PRESENTER"); }
};

} // namespace

TEST_F(ProgramStart, RunsTheProgramWithTheForcedPresenterAndRecordsTheArguments)
{
    Started started = start({"--presenter=lines", "Quillon.bundle"});
    EXPECT_EQ(started.status, 1);  // as the program answered
    ASSERT_TRUE(started.presenter);
    EXPECT_EQ(started.presenter->kind, PresenterKind::Lines);
    EXPECT_TRUE(started.presenter->forced);
    EXPECT_EQ(started.operands, std::vector<std::string>{"Quillon.bundle"});
    EXPECT_EQ(appkit::Application::shared().arguments(),
              (std::vector<std::string>{"installer", "--presenter=lines", "Quillon.bundle"}));
}

TEST_F(ProgramStart, AnOperandAfterDoubleDashIsNeverThePresenter)
{
    Started started = start({"--", "--presenter=x.bundle"});
    ASSERT_TRUE(started.presenter) << started.error;
    EXPECT_FALSE(started.presenter->forced);
    EXPECT_EQ(started.operands, std::vector<std::string>{"--presenter=x.bundle"});
}

TEST_F(ProgramStart, AnUnknownPresenterIsAWrongCommandLineAndRunsNothing)
{
    Started started = start({"--presenter=window"});
    EXPECT_EQ(started.status, 2);
    EXPECT_FALSE(started.presenter);
    EXPECT_EQ(started.error, "appkit_tests: --presenter must be desktop, terminal or lines, not \"window\"\n");
}
