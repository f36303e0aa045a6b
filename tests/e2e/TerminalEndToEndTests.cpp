// The real corvane binary at a real terminal, as a person uses it from a
// shell: its window as a box on a pseudo-terminal that is its controlling
// terminal, keys typed on the other side, and the terminal's line settings
// read from there. Whatever ends or stops the agent, the person's terminal
// must be left as it was found.
#include "CorvaneSetup.h"

#include "support/PtyProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

namespace {

using testsupport::PtyProcess;

const std::string shownBox = "| " + testsupport::announcement;

class AgentAtATerminal : public testsupport::CorvaneSetup {
protected:
    // A terminal of its own, no display: the terminal presenter. A day
    // lasts a second: the first check, and the window, come a second after
    // the start.
    testsupport::ChildProcess::Environment terminalEnvironment() const
    {
        testsupport::ChildProcess::Environment settings = environment("86400");
        settings.insert(settings.end(), {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"APPKIT_PRESENTER", ""}});
        return settings;
    }

    std::unique_ptr<PtyProcess> startAgent() const
    {
        return std::make_unique<PtyProcess>(CORVANE_BINARY, std::vector<std::string>{}, terminalEnvironment());
    }

    // An interactive bash with job control, reading plain lines (no line
    // editing, whose own settings would hide the agent's), with the
    // agent's settings in its environment.
    std::unique_ptr<PtyProcess> startShell() const
    {
        testsupport::ChildProcess::Environment settings = terminalEnvironment();
        settings.insert(settings.end(), {{"PS1", "$ "}, {"HISTFILE", "/dev/null"}});
        auto shell = std::make_unique<PtyProcess>("/bin/bash",
            std::vector<std::string>{"--norc", "--noprofile", "--noediting", "-i"}, settings);
        EXPECT_TRUE(shell->waitForScreen("$ ")) << shell->screen();
        return shell;
    }
};

class ShellWithTheAgent : public ::testing::Test, protected AgentAtATerminal {};

struct FatalSignal {
    int number;
};

void PrintTo(const FatalSignal& signal, std::ostream* stream)
{
    *stream << signal.number;
}

std::string signalName(int signal)
{
    if (signal >= SIGRTMIN)
        return "RTMIN" + std::to_string(signal - SIGRTMIN);
    const char* name = ::sigabbrev_np(signal);
    return name ? name : std::to_string(signal);
}

// Every signal whose default action ends a process, but SIGKILL (which no
// program can catch) and SIGPIPE (which the agent ignores).
std::vector<FatalSignal> fatalSignals()
{
    std::vector<FatalSignal> signals;
    for (int number : {SIGHUP, SIGINT, SIGQUIT, SIGILL, SIGTRAP, SIGABRT, SIGBUS, SIGFPE, SIGUSR1, SIGSEGV, SIGUSR2,
                       SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO, SIGPWR, SIGSYS})
        signals.push_back({number});
    for (int number = SIGRTMIN; number <= SIGRTMAX; ++number)
        signals.push_back({number});
    return signals;
}

class AgentAtATerminalEndedBy : public ::testing::TestWithParam<FatalSignal>, protected AgentAtATerminal {
protected:
    static void SetUpTestSuite()
    {
        // The signals that dump core must not leave files behind.
        rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
    }
};

} // namespace

TEST_P(AgentAtATerminalEndedBy, TheSignalLeavesTheTerminalAsItWasFound)
{
    auto agent = startAgent();
    ASSERT_TRUE(agent->waitForRawMode()) << agent->screen();
    int status = agent->terminate(GetParam().number);
    ASSERT_NE(status, -1) << "the agent did not end";
    EXPECT_TRUE(agent->waitForOriginalMode(0)) << "lflag " << std::hex << agent->settings().c_lflag;
    // Ended as the signal ends it (a sanitizer's crash report exits instead);
    // the two that the agent handles end it normally.
    if (GetParam().number == SIGINT || GetParam().number == SIGTERM) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFatalSignal, AgentAtATerminalEndedBy, ::testing::ValuesIn(fatalSignals()),
                         [](const ::testing::TestParamInfo<FatalSignal>& info) { return signalName(info.param.number); });

// Started with "&", the agent keeps running and draws, but leaves the
// terminal's settings and input to the shell until "fg".
TEST_F(ShellWithTheAgent, ABackgroundStartRunsAndTakesTheTerminalOnlyAtFg)
{
    auto shell = startShell();
    shell->type(std::string(CORVANE_BINARY) + " &\n");
    ASSERT_TRUE(shell->waitForScreen("[1] ")) << shell->screen();
    pid_t agent = std::stoi(shell->screen().substr(shell->screen().find("[1] ") + 4));
    ASSERT_TRUE(shell->waitForScreen(shownBox)) << shell->screen();
    EXPECT_NE(PtyProcess::stateOf(agent), 'T') << "the agent stopped in the background";
    EXPECT_FALSE(testsupport::isRaw(shell->settings()));

    std::size_t beforeFg = shell->screen().size();
    shell->type("fg\n");
    ASSERT_TRUE(shell->waitForRawMode()) << shell->screen();
    ASSERT_TRUE(shell->waitForScreen(shownBox, 20, beforeFg)) << "not redrawn: " << shell->screen().substr(beforeFg);
    shell->type("r");  // Remind Me Later, a key without Return: the box goes
    EXPECT_TRUE(shell->waitForScreen("\x1b[J", 20, beforeFg)) << shell->screen().substr(beforeFg);
    // The prompt can come back before a reading taken after the kill.
    std::size_t beforeEnd = shell->screen().size();
    ::kill(agent, SIGTERM);
    EXPECT_TRUE(shell->waitForScreen("$ ", 20, beforeEnd)) << shell->screen();
    EXPECT_TRUE(shell->waitForOriginalMode());
}

TEST_F(ShellWithTheAgent, CtrlZGivesTheTerminalBackAndFgTakesItAgain)
{
    auto shell = startShell();
    shell->type(std::string(CORVANE_BINARY) + "\n");
    ASSERT_TRUE(shell->waitForScreen(shownBox)) << shell->screen();
    ASSERT_TRUE(shell->waitForRawMode());

    shell->type("\x1a");
    ASSERT_TRUE(shell->waitForScreen("Stopped")) << shell->screen();
    EXPECT_TRUE(shell->waitForOriginalMode()) << "lflag " << std::hex << shell->settings().c_lflag;

    std::size_t beforeFg = shell->screen().size();
    shell->type("fg\n");
    ASSERT_TRUE(shell->waitForRawMode()) << shell->screen().substr(beforeFg);
    ASSERT_TRUE(shell->waitForScreen(shownBox, 20, beforeFg)) << "not redrawn: " << shell->screen().substr(beforeFg);
    shell->type("r");
    EXPECT_TRUE(shell->waitForScreen("\x1b[J", 20, beforeFg)) << shell->screen().substr(beforeFg);
    std::size_t beforeEnd = shell->screen().size();
    shell->type("\x03");  // Ctrl-C ends it; the shell's prompt comes back
    EXPECT_TRUE(shell->waitForScreen("$ ", 20, beforeEnd)) << shell->screen();
    EXPECT_TRUE(shell->waitForOriginalMode());
}
