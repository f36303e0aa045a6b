#pragma once

#include "terminal/RealTimeout.h"

#include <functional>

namespace terminal {

// Whether the process may read from and set the terminal `fd` now: always
// for a descriptor that is not its controlling terminal, else when its
// process group is the terminal's foreground group. A process started with
// "&", or sent on with "bg", is not: reading would stop it (SIGTTIN), and
// so would changing the terminal's settings (SIGTTOU). Async-signal-safe.
bool isForegroundOf(int fd);

// Tells its owner, on the main run loop, when it may have to take the
// terminal `fd` again or let it go: after each SIGCONT ("fg" or "bg" after
// Ctrl-Z), and when the process came to the foreground without one (the
// shell's "fg" of a job started with "&" that never stopped sends none, so
// while in the background the watch looks again every half second of real
// time). `changed` hears whether the process is now in the foreground. The
// signal handler only writes a byte on a pipe. Main thread only; `changed`
// no longer runs once the object is destroyed.
class ForegroundWatch {
public:
    ForegroundWatch(int fd, std::function<void(bool foreground)> changed);
    ~ForegroundWatch();

    ForegroundWatch(const ForegroundWatch&) = delete;
    ForegroundWatch& operator=(const ForegroundWatch&) = delete;

private:
    void continued();
    void lookAgain();
    void lookWhileInBackground(bool foreground);

    int fd_;
    std::function<void(bool)> changed_;
    RealTimeout backgroundLook_{[this] { lookAgain(); }};
};

} // namespace terminal
