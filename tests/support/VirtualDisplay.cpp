#include "support/VirtualDisplay.h"

#include <cerrno>
#include <cstdio>
#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace testsupport {

VirtualDisplay::VirtualDisplay(Lifetime lifetime, const std::string& authorizationFile)
{
    if (const char* previous = std::getenv("DISPLAY")) {
        previous_ = previous;
        hadPrevious_ = true;
    }
    int ready[2];
    if (::pipe(ready) != 0) {
        error_ = "no pipe for Xvfb";
        return;
    }
    std::string fd = std::to_string(ready[1]);
    std::vector<const char*> arguments = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp"};
    if (lifetime == Lifetime::UntilLastClientLeaves)
        arguments.push_back("-terminate");
    if (!authorizationFile.empty())
        arguments.insert(arguments.end(), {"-auth", authorizationFile.c_str()});
    arguments.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, ready[0]);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    int spawned = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char**>(arguments.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ready[1]);
    if (spawned != 0) {
        pid_ = -1;
        ::close(ready[0]);
        error_ = "cannot start Xvfb (is the xvfb package installed?)";
        return;
    }
    // The server writes its display number once it accepts connections.
    std::string number;
    pollfd waiting{ready[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && ::poll(&waiting, 1, 20000) > 0) {
        char buffer[16];
        ssize_t count = ::read(ready[0], buffer, sizeof buffer);
        if (count <= 0)
            break;
        number.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(ready[0]);
    if (number.find('\n') == std::string::npos) {
        error_ = "Xvfb did not report a display";
        return;
    }
    name_ = ":" + number.substr(0, number.find('\n'));
    ::setenv("DISPLAY", name_.c_str(), 1);
}

namespace {

void endServer(pid_t pid, int signal)
{
    ::kill(pid, signal);
    int status;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace

std::string VirtualDisplay::lockPath() const
{
    return "/tmp/.X" + name_.substr(1) + "-lock";
}

void VirtualDisplay::vanish()
{
    if (pid_ <= 0)
        return;
    // The lock is made to name this process, which lives on, before the
    // server is killed without the chance to remove it. Renamed into
    // place: the server's own lock file is read-only.
    std::string ownLock = lockPath() + ".test";
    char pid[16];
    int length = std::snprintf(pid, sizeof pid, "%10ld\n", static_cast<long>(::getpid()));
    int fd = ::open(ownLock.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0444);
    if (fd >= 0) {
        bool written = ::write(fd, pid, static_cast<std::size_t>(length)) == length;
        ::close(fd);
        if (written)
            ::rename(ownLock.c_str(), lockPath().c_str());
    }
    endServer(pid_, SIGKILL);
    pid_ = -1;
    vanished_ = true;
}

VirtualDisplay::~VirtualDisplay()
{
    if (pid_ > 0)
        endServer(pid_, SIGTERM);
    if (vanished_) {
        ::unlink(lockPath().c_str());
        ::unlink(("/tmp/.X11-unix/X" + name_.substr(1)).c_str());
    }
    if (hadPrevious_)
        ::setenv("DISPLAY", previous_.c_str(), 1);
    else
        ::unsetenv("DISPLAY");
}

} // namespace testsupport
