#include "support/PtyProcess.h"
#include "support/Waiting.h"

#include "foundation/system/FileIO.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> pointersTo(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

bool isRaw(const termios& settings)
{
    return (settings.c_lflag & (ICANON | ECHO)) == 0;
}

PtyProcess::PtyProcess(const std::string& program, const std::vector<std::string>& arguments,
                       const ChildProcess::Environment& environment)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        throw std::runtime_error("posix_openpt: " + std::string(std::strerror(errno)));
    winsize size{.ws_row = 24, .ws_col = 80, .ws_xpixel = 0, .ws_ypixel = 0};
    ::ioctl(master_, TIOCSWINSZ, &size);
    ::tcgetattr(master_, &original_);
    std::string terminalPath = ::ptsname(master_);

    std::vector<std::string> environmentText;
    for (char** entry = environ; *entry; ++entry)
        environmentText.emplace_back(*entry);
    environmentText.emplace_back("TERM=xterm");
    for (const auto& [name, value] : environment)
        environmentText.push_back(name + "=" + value);
    std::vector<std::string> argumentText{program};
    argumentText.insert(argumentText.end(), arguments.begin(), arguments.end());
    std::vector<char*> environmentPointers = pointersTo(environmentText);
    std::vector<char*> argumentPointers = pointersTo(argumentText);

    // A session of its own, whose leader opens the terminal and so makes it
    // the controlling terminal, as a terminal emulator starts a shell.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, terminalPath.c_str(), O_RDWR, 0);
    posix_spawn_file_actions_adddup2(&actions, STDIN_FILENO, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, STDIN_FILENO, STDERR_FILENO);
    int status = ::posix_spawn(&pid_, program.c_str(), &actions, &attributes, argumentPointers.data(),
                               environmentPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (status != 0)
        throw std::runtime_error("posix_spawn " + program + ": " + std::strerror(status));
}

PtyProcess::~PtyProcess()
{
    if (!exited_ && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    ::close(master_);
}

void PtyProcess::type(std::string_view keys)
{
    (void)foundation::writeAll(master_, keys);
}

void PtyProcess::typeInPieces(std::initializer_list<std::string_view> pieces, std::chrono::milliseconds pause)
{
    bool first = true;
    for (std::string_view piece : pieces) {
        if (!std::exchange(first, false))
            std::this_thread::sleep_for(pause);
        type(piece);
    }
}

bool PtyProcess::collect(int timeoutMilliseconds)
{
    pollfd descriptor{master_, POLLIN, 0};
    if (::poll(&descriptor, 1, timeoutMilliseconds) <= 0 || !(descriptor.revents & POLLIN))
        return false;
    char chunk[4096];
    ssize_t got = ::read(master_, chunk, sizeof chunk);
    if (got <= 0)
        return false;
    screen_.append(chunk, static_cast<std::size_t>(got));
    return true;
}

bool PtyProcess::waitForScreen(std::string_view text, double seconds, std::size_t from)
{
    return collectUntil([&] { return screen_.find(text, from) != std::string::npos; }, seconds,
                        [this](int milliseconds) { collect(milliseconds); });
}

const std::string& PtyProcess::screen()
{
    while (collect(0)) {
    }
    return screen_;
}

termios PtyProcess::settings() const
{
    termios now{};
    ::tcgetattr(master_, &now);
    return now;
}

bool PtyProcess::waitForSettings(const std::function<bool(const termios&)>& wanted, double seconds)
{
    return pollUntil([&] {
        collect(0);  // a program that writes a lot must not block on a full terminal
        return wanted(settings());
    }, seconds);
}

bool PtyProcess::waitForRawMode(double seconds)
{
    return waitForSettings(isRaw, seconds);
}

bool PtyProcess::waitForOriginalMode(double seconds)
{
    return waitForSettings([this](const termios& now) {
        return now.c_lflag == original_.c_lflag && now.c_iflag == original_.c_iflag
            && now.c_oflag == original_.c_oflag && now.c_cc[VMIN] == original_.c_cc[VMIN];
    }, seconds);
}

char PtyProcess::stateOf(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() ? line[close + 2] : '?';
}

bool PtyProcess::waitForState(pid_t pid, char state, double seconds)
{
    return pollUntil([&] {
        collect(0);
        return stateOf(pid) == state;
    }, seconds);
}

int PtyProcess::terminate(int signal, double seconds)
{
    ::kill(pid_, signal);
    return waitForExit(seconds);
}

int PtyProcess::waitForExit(double seconds)
{
    Clock::time_point start = Clock::now();
    while (secondsSince(start) < seconds) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            exited_ = true;
            screen();
            return status;
        }
        collect(20);
    }
    return -1;
}

} // namespace testsupport
