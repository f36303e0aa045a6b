#pragma once

#include <termios.h>

namespace terminal {

// Puts a terminal into key-at-a-time input without echo for the object's
// life (signal keys such as Ctrl-C keep working) and restores the settings
// it found, also when the process exits without destroying it.
class TerminalMode {
public:
    // Does nothing when `fd` is not a terminal.
    explicit TerminalMode(int fd);
    ~TerminalMode();

    TerminalMode(const TerminalMode&) = delete;
    TerminalMode& operator=(const TerminalMode&) = delete;

private:
    bool changed_ = false;
};

} // namespace terminal
