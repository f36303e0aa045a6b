#pragma once

#include <functional>

namespace terminal {

// Whether the process may read from and set the terminal `fd` now: always
// for a descriptor that is not its controlling terminal, else when its
// process group is the terminal's foreground group. A process started with
// "&", or sent on with "bg", is not: reading would stop it (SIGTTIN), and
// so would changing the terminal's settings (SIGTTOU). Async-signal-safe.
bool isForegroundOf(int fd);

// Calls `continued` on the main run loop each time the process is
// continued (SIGCONT: "fg" or "bg" after Ctrl-Z, or "fg" after a start in
// the background), so that what it holds of the terminal can be taken
// again or let go. The signal handler only writes a byte on a pipe. Main
// thread only; `continued` no longer runs once the object is destroyed.
class ContinueWatch {
public:
    explicit ContinueWatch(std::function<void()> continued);
    ~ContinueWatch();

    ContinueWatch(const ContinueWatch&) = delete;
    ContinueWatch& operator=(const ContinueWatch&) = delete;

private:
    std::function<void()> continued_;
};

} // namespace terminal
