#include "terminal/TerminalMode.h"

#include <csignal>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

namespace terminal {

namespace {

// The one terminal whose settings are changed, so that an exit can put them back.
struct Saved {
    std::mutex mutex;
    int fd = -1;
    termios settings{};
};

Saved& saved()
{
    static Saved* state = new Saved;
    return *state;
}

// What a fatal signal's handler needs, in plain storage it may read.
int fatalRestoreFd = -1;
termios fatalRestoreSettings{};
constexpr int fatalSignals[] = {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGQUIT, SIGHUP};
struct sigaction previousActions[NSIG];

// A crash, an uncaught exception (abort) or a hang-up must not leave the
// user's terminal without echo: put the settings back, then let the
// signal do what it would have done.
void restoreOnFatalSignal(int signal)
{
    if (fatalRestoreFd >= 0)
        ::tcsetattr(fatalRestoreFd, TCSANOW, &fatalRestoreSettings);
    ::sigaction(signal, &previousActions[signal], nullptr);
    ::raise(signal);
}

void installFatalSignalHandlers()
{
    struct sigaction action{};
    action.sa_handler = restoreOnFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (int signal : fatalSignals)
        ::sigaction(signal, &action, &previousActions[signal]);
}

void restore()
{
    Saved& state = saved();
    std::lock_guard lock(state.mutex);
    if (state.fd < 0)
        return;
    ::tcsetattr(state.fd, TCSAFLUSH, &state.settings);
    state.fd = -1;
    fatalRestoreFd = -1;
}

} // namespace

TerminalMode::TerminalMode(int fd)
{
    termios settings;
    if (::tcgetattr(fd, &settings) != 0)
        return;
    {
        Saved& state = saved();
        std::lock_guard lock(state.mutex);
        if (state.fd >= 0)
            return;
        state.fd = fd;
        state.settings = settings;
        fatalRestoreSettings = settings;
        fatalRestoreFd = fd;
    }
    static std::once_flag registered;
    std::call_once(registered, [] {
        std::atexit(restore);
        installFatalSignalHandlers();
    });

    settings.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    ::tcsetattr(fd, TCSANOW, &settings);
    changed_ = true;
}

TerminalMode::~TerminalMode()
{
    if (changed_)
        restore();
}

} // namespace terminal
