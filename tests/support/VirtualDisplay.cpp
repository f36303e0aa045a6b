#include "support/VirtualDisplay.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testsupport {

VirtualDisplay::VirtualDisplay(Lifetime lifetime)
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
    const char* arguments[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                               lifetime == Lifetime::UntilLastClientLeaves ? "-terminate" : nullptr, nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, ready[0]);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    int spawned = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char**>(arguments), environ);
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

VirtualDisplay::~VirtualDisplay()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (hadPrevious_)
        ::setenv("DISPLAY", previous_.c_str(), 1);
    else
        ::unsetenv("DISPLAY");
}

} // namespace testsupport
