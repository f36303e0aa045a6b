#pragma once

#include "foundation/objects/Object.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

namespace foundation {

// A child process (the platform's NSTask). launch() starts the executable at
// the launch path directly, with exactly the given arguments: no shell, no
// search of PATH. The child inherits the environment, the working directory
// and standard input, output and error; signals start out with their default
// actions and none blocked. The launcher does not wait: a thread of ours
// reaps the child (only this child) when it ends, so no zombie stays.
class Task final : public Object {
public:
    enum class TerminationReason { Exit, UncaughtSignal };

    static Ref<Task> create();

    void setLaunchPath(std::string_view path);
    const std::string& launchPath() const noexcept { return launchPath_; }
    void setArguments(std::vector<std::string> arguments);
    const std::vector<std::string>& arguments() const noexcept { return arguments_; }
    // Called once on the reaper's thread after the child has ended and been
    // reaped. Set it before launch().
    void setTerminationHandler(std::function<void(Task&)> handler);

    // Starts the child and returns at once. A launch that fails (no such
    // file, not executable, ...) logs a diagnostic naming the path and the
    // cause (logDiagnostic) and leaves the task not running; it does not
    // raise. Launching a task a second time is a programmer error and raises
    // an internal-inconsistency exception. When no reaper thread can be
    // started, launch() waits for the child itself (and the handler runs on
    // the launching thread).
    void launch();

    // 0 before launch and after a failed launch.
    pid_t processIdentifier() const;
    bool isRunning() const;
    // Blocks until the child has ended and been reaped; returns at once if
    // it never started.
    void waitUntilExit();
    // The exit status, or the number of the signal that ended the child.
    int terminationStatus() const;
    TerminationReason terminationReason() const;

    const char* className() const override { return "NSTask"; }

private:
    Task() = default;
    void reap(pid_t pid);

    std::string launchPath_;
    std::vector<std::string> arguments_;
    std::function<void(Task&)> terminationHandler_;
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    bool launched_ = false;
    bool running_ = false;
    pid_t pid_ = 0;
    int terminationStatus_ = 0;
    TerminationReason terminationReason_ = TerminationReason::Exit;
};

} // namespace foundation
