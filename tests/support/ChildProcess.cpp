#include "support/ChildProcess.h"
#include "support/Waiting.h"

#include "foundation/system/FileIO.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const Environment& environment)
{
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe: " + std::string(std::strerror(errno)));

    std::vector<std::string> environmentText;
    for (char** entry = environ; *entry; ++entry)
        environmentText.emplace_back(*entry);
    for (const auto& [name, value] : environment)
        environmentText.push_back(name + "=" + value);
    std::vector<char*> environmentPointers;
    for (std::string& text : environmentText)
        environmentPointers.push_back(text.data());
    environmentPointers.push_back(nullptr);

    std::vector<std::string> argumentText{program};
    argumentText.insert(argumentText.end(), arguments.begin(), arguments.end());
    std::vector<char*> argumentPointers;
    for (std::string& text : argumentText)
        argumentPointers.push_back(text.data());
    argumentPointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    int status = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argumentPointers.data(), environmentPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    input_ = in[1];
    outputPipe_ = out[0];
    errorPipe_ = err[0];
    if (status != 0)
        throw std::runtime_error("posix_spawn " + program + ": " + std::strerror(status));
}

ChildProcess::~ChildProcess()
{
    if (!exited_ && pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    for (int descriptor : {input_, outputPipe_, errorPipe_}) {
        if (descriptor >= 0)
            close(descriptor);
    }
}

void ChildProcess::writeInput(std::string_view text)
{
    (void)foundation::writeAll(input_, text);  // a child that has gone reads nothing
}

void ChildProcess::closeInput()
{
    if (input_ >= 0)
        close(input_);
    input_ = -1;
}

bool ChildProcess::collect(int timeoutMilliseconds)
{
    pollfd descriptors[] = {{outputPipe_, POLLIN, 0}, {errorPipe_, POLLIN, 0}};
    if (poll(descriptors, 2, timeoutMilliseconds) <= 0)
        return false;
    std::string* buffers[] = {&output_, &error_};
    bool received = false;
    for (int i = 0; i < 2; ++i) {
        if (!(descriptors[i].revents & (POLLIN | POLLHUP)))
            continue;
        char chunk[4096];
        ssize_t got = read(descriptors[i].fd, chunk, sizeof chunk);
        if (got > 0) {
            buffers[i]->append(chunk, static_cast<std::size_t>(got));
            received = true;
        }
    }
    return received;
}

bool ChildProcess::waitFor(std::string& buffer, std::string_view text, double seconds, std::size_t from)
{
    return collectUntil([&] { return buffer.find(text, from) != std::string::npos; }, seconds,
                        [this](int milliseconds) { collect(milliseconds); });
}

bool ChildProcess::waitForOutput(std::string_view text, double seconds, std::size_t from)
{
    return waitFor(output_, text, seconds, from);
}

bool ChildProcess::waitForError(std::string_view text, double seconds, std::size_t from)
{
    return waitFor(error_, text, seconds, from);
}

int ChildProcess::terminate(int signal, double seconds)
{
    kill(pid_, signal);
    return waitForExit(seconds);
}

int ChildProcess::waitForExit(double seconds)
{
    Clock::time_point start = Clock::now();
    while (secondsSince(start) < seconds) {
        int status = 0;
        pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            exited_ = true;
            // Everything it wrote is in the pipes now: take all of it, so
            // that what the output lacks, the program never wrote.
            while (collect(0)) {
            }
            return status;
        }
        collect(20);
    }
    return -1;
}

const std::string& ChildProcess::output()
{
    collect(0);
    return output_;
}

const std::string& ChildProcess::error()
{
    collect(0);
    return error_;
}

} // namespace testsupport
