#include "appkit/TerminalMode.h"

#include <cstdlib>
#include <mutex>
#include <unistd.h>

namespace appkit {

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

void restore()
{
    Saved& state = saved();
    std::lock_guard lock(state.mutex);
    if (state.fd < 0)
        return;
    ::tcsetattr(state.fd, TCSAFLUSH, &state.settings);
    state.fd = -1;
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
    }
    static std::once_flag registered;
    std::call_once(registered, [] { std::atexit(restore); });

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

} // namespace appkit
