#include "foundation/system/Task.h"

#include "foundation/objects/Exception.h"
#include "foundation/system/Log.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <system_error>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace foundation {

namespace {

// Default actions for every signal the child could inherit as ignored
// (SIGPIPE is often ignored by network code), and an empty signal mask.
class SpawnAttributes {
public:
    SpawnAttributes()
    {
        posix_spawnattr_init(&attributes_);
        sigset_t all;
        sigfillset(&all);
        sigdelset(&all, SIGKILL);
        sigdelset(&all, SIGSTOP);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigdefault(&attributes_, &all);
        posix_spawnattr_setsigmask(&attributes_, &none);
        posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    const posix_spawnattr_t* get() const noexcept { return &attributes_; }

private:
    posix_spawnattr_t attributes_;
};

} // namespace

Ref<Task> Task::create()
{
    return Ref<Task>::adopt(new Task);
}

void Task::setLaunchPath(std::string_view path)
{
    std::lock_guard lock(mutex_);
    if (launched_)
        raise(ExceptionName::InternalInconsistency, "Task: the launch path cannot change after launch");
    launchPath_ = path;
}

void Task::setArguments(std::vector<std::string> arguments)
{
    std::lock_guard lock(mutex_);
    if (launched_)
        raise(ExceptionName::InternalInconsistency, "Task: the arguments cannot change after launch");
    arguments_ = std::move(arguments);
}

void Task::setTerminationHandler(std::function<void(Task&)> handler)
{
    std::lock_guard lock(mutex_);
    terminationHandler_ = std::move(handler);
}

void Task::launch()
{
    std::unique_lock lock(mutex_);
    if (launched_)
        raise(ExceptionName::InternalInconsistency, "Task: task already launched");
    launched_ = true;

    // argv[0] is the launch path, as the platform passes it.
    std::vector<char*> argv;
    argv.push_back(launchPath_.data());
    for (std::string& argument : arguments_)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    // Never destroyed: tasks may be launched off the main thread while the process exits.
    static const SpawnAttributes* attributes = new SpawnAttributes;
    pid_t pid = 0;
    int result = launchPath_.empty()
        ? ENOENT
        : ::posix_spawn(&pid, launchPath_.c_str(), nullptr, attributes->get(), argv.data(), environ);
    if (result != 0) {
        logDiagnostic("could not launch " + (launchPath_.empty() ? std::string("(no launch path)") : launchPath_) + ": "
                      + std::strerror(result));
        return;
    }
    pid_ = pid;
    running_ = true;
    lock.unlock();
    try {
        std::thread([self = Ref<Task>(this), pid] { self->reap(pid); }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the child is running, so it is waited for here
        // rather than left unreaped behind an exception.
        reap(pid);
    }
}

// Waits for this child only: other children of the process are not ours.
void Task::reap(pid_t pid)
{
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(pid, &status, 0);
    } while (result < 0 && errno == EINTR);

    std::function<void(Task&)> handler;
    {
        std::lock_guard lock(mutex_);
        running_ = false;
        if (result == pid && WIFSIGNALED(status)) {
            terminationReason_ = TerminationReason::UncaughtSignal;
            terminationStatus_ = WTERMSIG(status);
        } else if (result == pid) {
            terminationStatus_ = WEXITSTATUS(status);
        }
        handler = std::move(terminationHandler_);
    }
    ended_.notify_all();
    if (handler)
        handler(*this);
}

pid_t Task::processIdentifier() const
{
    std::lock_guard lock(mutex_);
    return pid_;
}

bool Task::isRunning() const
{
    std::lock_guard lock(mutex_);
    return running_;
}

void Task::waitUntilExit()
{
    std::unique_lock lock(mutex_);
    ended_.wait(lock, [this] { return !running_; });
}

int Task::terminationStatus() const
{
    std::lock_guard lock(mutex_);
    return terminationStatus_;
}

Task::TerminationReason Task::terminationReason() const
{
    std::lock_guard lock(mutex_);
    return terminationReason_;
}

} // namespace foundation
