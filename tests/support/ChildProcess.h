#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testsupport {

// A real program run by a test, with its standard input, output and error
// on pipes. Output is collected as it arrives; waits are bounded by a
// real-time limit so a broken program fails the test instead of hanging it.
// The process is killed (SIGKILL) and reaped when the object goes away.
//
//   ChildProcess agent(binary, {}, {{"CORVANE_CLOCK_SCALE", "86400"}});
//   ASSERT_TRUE(agent.waitForError("New Erlang version available", 10));
//   agent.writeInput("r\n");
class ChildProcess {
public:
    using Environment = std::vector<std::pair<std::string, std::string>>;

    // The environment is the test's own plus `environment`.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments, const Environment& environment);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void writeInput(std::string_view text);
    void closeInput();

    // Waits until `text` has appeared in the output (after position `from`);
    // answers whether it did within the limit.
    bool waitForOutput(std::string_view text, double seconds, std::size_t from = 0);
    bool waitForError(std::string_view text, double seconds, std::size_t from = 0);
    // Sends a signal and waits for the exit; answers the exit status as
    // waitpid gives it, or -1 when the process did not end in time. After
    // the exit, output() and error() hold everything the process wrote.
    int terminate(int signal, double seconds);
    // Waits for the process to end on its own; answers as terminate does.
    int waitForExit(double seconds);

    const std::string& output();
    const std::string& error();
    pid_t pid() const noexcept { return pid_; }

private:
    bool waitFor(std::string& buffer, std::string_view text, double seconds, std::size_t from);
    // Reads what has arrived within the limit; answers whether anything did.
    bool collect(int timeoutMilliseconds);

    pid_t pid_ = -1;
    int input_ = -1;
    int outputPipe_ = -1;
    int errorPipe_ = -1;
    std::string output_;
    std::string error_;
    bool exited_ = false;
};

} // namespace testsupport
