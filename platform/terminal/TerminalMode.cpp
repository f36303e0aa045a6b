#include "terminal/TerminalMode.h"

#include "terminal/JobControl.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

namespace terminal {

namespace {

// What the signal handlers need, in storage they may read: the terminal
// whose settings are changed, whether they are changed now, and the
// settings to give back (written only while nothing is changed).
std::atomic<int> changedFd{-1};
std::atomic<bool> rawNow{false};
termios original{};
struct sigaction previousActions[NSIG];

// Async-signal-safe. From the background the settings are the shell's
// business; setting them would stop the process besides.
void giveBack(int when)
{
    int fd = changedFd.load();
    if (fd >= 0 && rawNow.exchange(false) && isForegroundOf(fd))
        ::tcsetattr(fd, when, &original);
}

void applyRaw(int fd)
{
    termios settings = original;
    settings.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    // Marked first: a signal between the change and the mark must still
    // give the settings back.
    rawNow = true;
    if (::tcsetattr(fd, TCSANOW, &settings) != 0)
        rawNow = false;
}

void takeRaw(int fd)
{
    if (::tcgetattr(fd, &original) == 0)
        applyRaw(fd);
}

// Put the settings back, then let the signal do what it would have done:
// the default action, or the crash reporter (a sanitizer's, say) that was
// there first, with what the signal told.
extern "C" void restoreOnFatalSignal(int signal, siginfo_t* info, void* context)
{
    giveBack(TCSANOW);
    const struct sigaction& previous = previousActions[signal];
    ::sigaction(signal, &previous, nullptr);
    if (previous.sa_flags & SA_SIGINFO)
        previous.sa_sigaction(signal, info, context);
    else
        ::raise(signal);
}

// Ctrl-Z: put the settings back and stop as the default action would; once
// continued, the next Ctrl-Z comes here again. The main loop takes the
// terminal back (ContinueWatch).
extern "C" void restoreAndStop(int)
{
    int savedErrno = errno;
    giveBack(TCSANOW);
    struct sigaction byDefault{};
    byDefault.sa_handler = SIG_DFL;
    struct sigaction ours{};
    ::sigaction(SIGTSTP, &byDefault, &ours);
    ::raise(SIGTSTP);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    ::sigprocmask(SIG_UNBLOCK, &stop, nullptr);  // the process stops here
    ::sigaction(SIGTSTP, &ours, nullptr);
    errno = savedErrno;
}

bool endsTheProcessByDefault(int signal)
{
    switch (signal) {
    case SIGKILL: case SIGSTOP:                              // cannot be caught
    case SIGTSTP: case SIGTTIN: case SIGTTOU: case SIGCONT:  // stop or continue
    case SIGCHLD: case SIGURG: case SIGWINCH:                // ignored
        return false;
    default:
        return true;
    }
}

// Where the default is in force, or a crash reporter (installed with
// SA_SIGINFO) that is handed the signal afterwards. A signal the program
// handles itself (SIGINT and SIGTERM end the run loop, and the terminal is
// given back at exit) or ignores (SIGPIPE, a SIGHUP that nohup set aside)
// keeps its meaning.
bool mayCatch(int signal, struct sigaction& current)
{
    if (::sigaction(signal, nullptr, &current) != 0)
        return false;
    return (current.sa_flags & SA_SIGINFO) ? current.sa_sigaction != nullptr : current.sa_handler == SIG_DFL;
}

void installSignalHandlers()
{
    struct sigaction current{};
    for (int signal = 1; signal <= SIGRTMAX; ++signal) {
        if (!endsTheProcessByDefault(signal) || !mayCatch(signal, current))
            continue;
        struct sigaction action{};
        action.sa_sigaction = restoreOnFatalSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_SIGINFO | SA_RESETHAND;
        previousActions[signal] = current;
        ::sigaction(signal, &action, nullptr);
    }
    if (mayCatch(SIGTSTP, current) && !(current.sa_flags & SA_SIGINFO)) {
        struct sigaction action{};
        action.sa_handler = restoreAndStop;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGTSTP, &action, nullptr);
    }
}

void restoreAtExit()
{
    giveBack(TCSAFLUSH);
}

} // namespace

TerminalMode::TerminalMode(int fd)
{
    termios settings;
    if (::tcgetattr(fd, &settings) != 0)
        return;
    int none = -1;
    if (!changedFd.compare_exchange_strong(none, fd))
        return;
    fd_ = fd;
    static std::once_flag registered;
    std::call_once(registered, [] {
        std::atexit(restoreAtExit);
        installSignalHandlers();
    });
    if (isForegroundOf(fd))
        takeRaw(fd);
}

TerminalMode::~TerminalMode()
{
    if (fd_ < 0)
        return;
    giveBack(TCSAFLUSH);
    changedFd = -1;
}

bool TerminalMode::resume()
{
    if (fd_ < 0 || !isForegroundOf(fd_))
        return isRaw();
    // Stopped by a signal that could not be caught, the terminal may have
    // been set back meanwhile: the settings found first still hold.
    if (rawNow)
        applyRaw(fd_);
    else
        takeRaw(fd_);
    return isRaw();
}

bool TerminalMode::isRaw() const noexcept
{
    return fd_ >= 0 && rawNow;
}

} // namespace terminal
