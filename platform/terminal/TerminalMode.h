#pragma once

#include <termios.h>

namespace terminal {

// Puts a terminal into key-at-a-time input without echo for the object's
// life (signal keys such as Ctrl-C keep working) and gives back the
// settings it found whenever the process leaves the terminal to others:
//  - when the object is destroyed, or the process exits without
//    destroying it;
//  - before any signal whose default action ends the process (a crash, an
//    uncaught exception's abort, a hang-up, SIGUSR1, SIGXCPU from a CPU
//    limit, ...), which then does what it would have done;
//  - on Ctrl-Z (SIGTSTP), before the process stops.
// A process in the background of its terminal (see isForegroundOf) leaves
// the settings alone: changing them would stop it. resume() takes the
// terminal again once the process is continued in the foreground.
// One terminal per process; main thread only (the restoring at a signal
// aside).
class TerminalMode {
public:
    // Does nothing when `fd` is not a terminal.
    explicit TerminalMode(int fd);
    ~TerminalMode();

    TerminalMode(const TerminalMode&) = delete;
    TerminalMode& operator=(const TerminalMode&) = delete;

    // After the process was continued: takes the terminal again (reading
    // the settings anew, since the shell or the person may have changed
    // them meanwhile) when it is in the foreground. Answers whether keys
    // are now read a key at a time.
    bool resume();
    bool isRaw() const noexcept;

private:
    int fd_ = -1;
};

} // namespace terminal
