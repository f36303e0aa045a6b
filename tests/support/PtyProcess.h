#pragma once

#include "support/ChildProcess.h"

#include <chrono>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>
#include <termios.h>

namespace testsupport {

// A real program at a terminal of its own, as a person starts it from a
// shell: a pseudo-terminal of 24 rows by 80 columns is its controlling
// terminal and its standard input, output and error. The test holds the
// other side: it types keys (in pieces, with pauses between them, as they
// may arrive), reads what the program drew, and reads the terminal's line
// settings. Waits are bounded by a real-time limit so that a broken
// program fails the test instead of hanging it. The process is killed
// (SIGKILL) and reaped when the object goes away.
class PtyProcess {
public:
    PtyProcess(const std::string& program, const std::vector<std::string>& arguments,
               const ChildProcess::Environment& environment);
    ~PtyProcess();
    PtyProcess(const PtyProcess&) = delete;
    PtyProcess& operator=(const PtyProcess&) = delete;

    void type(std::string_view keys);
    // Each piece in a write of its own, `pause` apart.
    void typeInPieces(std::initializer_list<std::string_view> pieces,
                      std::chrono::milliseconds pause = std::chrono::milliseconds(100));

    // Waits until `text` has appeared on the screen (after position `from`).
    bool waitForScreen(std::string_view text, double seconds = 20, std::size_t from = 0);
    const std::string& screen();

    // The terminal's settings as the program left them, read from the
    // test's side.
    termios settings() const;
    bool waitForSettings(const std::function<bool(const termios&)>& wanted, double seconds = 20);
    // Keys a key at a time without echo, as the program sets it.
    bool waitForRawMode(double seconds = 20);
    // Exactly the line settings the terminal had before the program.
    bool waitForOriginalMode(double seconds = 20);

    // The state letter of /proc/PID/stat ('S' sleeping, 'T' stopped, ...).
    static char stateOf(pid_t pid);
    bool waitForState(pid_t pid, char state, double seconds = 20);

    int terminate(int signal, double seconds = 20);
    // As waitpid gives it, or -1 when the process did not end in time.
    int waitForExit(double seconds = 20);
    pid_t pid() const noexcept { return pid_; }

private:
    bool collect(int timeoutMilliseconds);

    int master_ = -1;
    pid_t pid_ = -1;
    bool exited_ = false;
    termios original_{};
    std::string screen_;
};

// Whether the settings read keys one at a time without echo.
bool isRaw(const termios& settings);

} // namespace testsupport
