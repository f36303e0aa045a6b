#include "foundation/objects/Exception.h"
#include "foundation/runloop/RunLoop.h"
#include "foundation/system/Log.h"
#include "foundation/system/Task.h"

#include "support/CapturedOutput.h"
#include "support/TemporaryDirectory.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using foundation::Ref;
using foundation::Task;

namespace {

// Writes a stand-in tool as an executable shell script.
std::string tool(const testsupport::TemporaryDirectory& directory, std::string_view name, std::string_view script)
{
    auto path = directory.write(name, "#!/bin/sh\n" + std::string(script));
    ::chmod(path.c_str(), 0755);
    return path.string();
}

bool isReaped(pid_t pid)
{
    return ::waitpid(pid, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

TEST(Task, RunsTheToolWithExactlyTheGivenArgumentsAndNoShell)
{
    testsupport::TemporaryDirectory directory;
    // Records each argument on a line of its own in "args".
    std::string recorder = tool(directory, "tool", "printf '%s\\n' \"$0\" \"$@\" > \"$(dirname \"$0\")/args\"\necho tool ran\n");
    Ref<Task> task = Task::create();
    task->setLaunchPath(recorder);
    task->setArguments({"attach", "-autoopen", "file:///tmp/x y.dmg", "$HOME; echo injected", "", "*"});
    testsupport::CapturedOutput standardOutput(STDOUT_FILENO);
    task->launch();
    task->waitUntilExit();
    std::string output = standardOutput.stop();

    EXPECT_EQ(testsupport::readFile(directory / "args"),
              recorder + "\nattach\n-autoopen\nfile:///tmp/x y.dmg\n$HOME; echo injected\n\n*\n");
    EXPECT_EQ(output, "tool ran\n");  // standard output is the parent's
    EXPECT_EQ(task->terminationStatus(), 0);
    EXPECT_TRUE(isReaped(task->processIdentifier()));
}

TEST(Task, LaunchReturnsAtOnceAndTheEndedChildIsReapedWithoutBeingWaitedFor)
{
    testsupport::TemporaryDirectory directory;
    std::string fifo = (directory / "go").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    std::atomic<bool> ended{false};
    Ref<Task> task = Task::create();
    task->setLaunchPath(tool(directory, "waiter", "read line < \"$1\"\nexit 3\n"));
    task->setArguments({fifo});
    task->setTerminationHandler([&](Task& finished) {
        EXPECT_FALSE(foundation::RunLoop::isMainThread());
        EXPECT_TRUE(isReaped(finished.processIdentifier()));
        foundation::RunLoop::main().post([&] { ended = true; });
    });
    task->launch();
    EXPECT_TRUE(task->isRunning());  // blocked on the fifo until we write
    EXPECT_GT(task->processIdentifier(), 0);

    // A plain open would block for good if the child never opened its end;
    // without a reader a non-blocking open fails, so it is retried, bounded.
    int writer = -1;
    if (testsupport::pollUntil([&] { return (writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) >= 0; })) {
        EXPECT_EQ(::write(writer, "go\n", 3), 3);
        ::close(writer);
    } else {
        ADD_FAILURE() << "the child never opened the fifo";
        ::kill(task->processIdentifier(), SIGKILL);
    }
    EXPECT_TRUE(foundation::RunLoop::main().runUntil([&] { return ended.load(); }, 10));
    EXPECT_EQ(task->terminationStatus(), 3);
    EXPECT_EQ(task->terminationReason(), Task::TerminationReason::Exit);
}

TEST(Task, AFailedLaunchWritesOneLineAndDoesNotRaise)
{
    testsupport::TemporaryDirectory directory;
    auto notExecutable = directory.write("plain", "#!/bin/sh\n");
    ::chmod(notExecutable.c_str(), 0644);
    for (std::string path : {(directory / "hdiutil").string(), notExecutable.string(), std::string()}) {
        SCOPED_TRACE(path);
        Ref<Task> task = Task::create();
        task->setLaunchPath(path);
        task->setArguments({"attach"});
        foundation::LogCaptureForTesting log;
        EXPECT_NO_THROW(task->launch());
        std::vector<std::string> messages = log.messages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].find('\n'), std::string::npos) << messages[0];
        EXPECT_NE(messages[0].find(path), std::string::npos) << messages[0];
        EXPECT_FALSE(task->isRunning());
        EXPECT_EQ(task->processIdentifier(), 0);
        task->waitUntilExit();  // returns: there is nothing to wait for
    }
}

TEST(Task, ATaskLaunchesOnlyOnce)
{
    testsupport::TemporaryDirectory directory;
    Ref<Task> task = Task::create();
    task->setLaunchPath(tool(directory, "quick", "exit 0\n"));
    task->launch();
    EXPECT_THROW(task->launch(), foundation::Exception);
    EXPECT_THROW(task->setArguments({}), foundation::Exception);
    task->waitUntilExit();
}

TEST(Task, ASignalEndIsReported)
{
    testsupport::TemporaryDirectory directory;
    Ref<Task> task = Task::create();
    task->setLaunchPath(tool(directory, "self-kill", "kill -TERM $$\n"));
    task->launch();
    task->waitUntilExit();
    EXPECT_EQ(task->terminationReason(), Task::TerminationReason::UncaughtSignal);
    EXPECT_EQ(task->terminationStatus(), SIGTERM);
}

} // namespace
