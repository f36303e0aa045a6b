// The real programs fed a line far longer than any command, as a broken
// script or a stray file on standard input would: one answer, the next
// line is read as usual, and the memory does not grow with the line.
#include "support/ChildProcess.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/wait.h>

namespace {

constexpr std::size_t LongLineBytes = 64 << 20;
constexpr std::size_t PieceBytes = 1 << 20;
constexpr long FlatGrowthKiB = 16 << 10;
constexpr std::string_view Answer = "\u2026\": the line is longer than 4096 bytes\n";

// A line of /proc/PID/status in KiB: VmRSS now, VmHWM the peak so far.
long statusKiB(pid_t pid, std::string_view field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(field))
            return std::stol(line.substr(field.size() + 1));
    }
    return -1;
}

enum class Stream { Output, Error };

struct LongLineRun {
    bool replied = false;  // the line after the long one was answered
    long peakGrowthKiB = 0;
};

// Feeds a 64 MiB line, then `next`, and waits for `reply` on the stream
// where the program answers.
LongLineRun feedLongLine(testsupport::ChildProcess& child, std::string_view next, std::string_view reply, Stream stream)
{
    long before = statusKiB(child.pid(), "VmRSS:");
    const std::string piece(PieceBytes, 'x');
    for (std::size_t written = 0; written < LongLineBytes; written += PieceBytes)
        child.writeInput(piece);
    child.writeInput("\n" + std::string(next) + "\n");
    LongLineRun run;
    run.replied = stream == Stream::Output ? child.waitForOutput(reply, 20) : child.waitForError(reply, 20);
    run.peakGrowthKiB = statusKiB(child.pid(), "VmHWM:") - before;
    return run;
}

std::size_t occurrences(const std::string& text, std::string_view part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

} // namespace

TEST(LongLine, InstallerAnswersOnceReadsTheNextLineAndStaysFlat)
{
    testsupport::ChildProcess installer(INSTALLER_BINARY, {QUILLON_BUNDLE}, {{"APPKIT_PRESENTER", "lines"}});
    ASSERT_TRUE(installer.waitForOutput("== pane \"Introduction\" (1 of 3)", 20)) << installer.error();
    LongLineRun run = feedLongLine(installer, "next", "== pane \"Registration\" (2 of 3)", Stream::Output);
    EXPECT_TRUE(run.replied) << installer.output().substr(0, 2000);
    EXPECT_LT(run.peakGrowthKiB, FlatGrowthKiB);
    installer.writeInput("quit\n");
    int status = installer.waitForExit(20);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(occurrences(installer.output(), Answer), 1u) << installer.output().substr(0, 2000);
}

TEST(LongLine, AgentAnswersOnceReadsTheNextLineAndStaysFlat)
{
    testsupport::TemporaryDirectory directory;
    // Lines on standard error; no window is showing, so a choice is answered
    // "no window is showing", which tells that the next line was read.
    testsupport::ChildProcess agent(CORVANE_BINARY, {},
                                    {{"APPKIT_PRESENTER", "lines"}, {"XDG_CONFIG_HOME", directory.path().string()}});
    agent.writeInput("hello\n");
    ASSERT_TRUE(agent.waitForError("== ignored \"hello\": no window is showing", 20)) << agent.error();
    LongLineRun run = feedLongLine(agent, "d", "== ignored \"d\": no window is showing", Stream::Error);
    EXPECT_TRUE(run.replied) << agent.error().substr(0, 2000);
    EXPECT_LT(run.peakGrowthKiB, FlatGrowthKiB);
    int status = agent.terminate(SIGTERM, 20);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(occurrences(agent.error(), Answer), 1u) << agent.error().substr(0, 2000);
}
