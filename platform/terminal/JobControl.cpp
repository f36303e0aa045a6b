#include "terminal/JobControl.h"

#include "foundation/objects/DebugCheck.h"
#include "foundation/runloop/RunLoop.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace terminal {

namespace {

int continuedPipe[2] = {-1, -1};

extern "C" void onContinued(int)
{
    int savedErrno = errno;
    unsigned char byte = 1;
    [[maybe_unused]] ssize_t written = ::write(continuedPipe[1], &byte, 1);
    errno = savedErrno;
}

// Main thread only, like the watches themselves.
std::vector<ForegroundWatch*>& watches()
{
    static auto* list = new std::vector<ForegroundWatch*>;
    return *list;
}

bool isWatching(const ForegroundWatch* watch)
{
    return std::find(watches().begin(), watches().end(), watch) != watches().end();
}

// Once per process: the pipe, its reader on the main loop, and the handler.
void listenForContinue(const std::function<void(ForegroundWatch&)>& tell)
{
    if (continuedPipe[0] >= 0)
        return;
    if (::pipe2(continuedPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;  // without the pipe the process only misses the redraw after "fg"
    foundation::RunLoop::main().watchReadable(continuedPipe[0], [tell] {
        unsigned char bytes[64];
        while (::read(continuedPipe[0], bytes, sizeof bytes) > 0) {
        }
        // A copy: a watch told may destroy another.
        std::vector<ForegroundWatch*> current = watches();
        for (ForegroundWatch* watch : current) {
            if (isWatching(watch))
                tell(*watch);
        }
    });
    struct sigaction action{};
    action.sa_handler = onContinued;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGCONT, &action, nullptr);
}

} // namespace

bool isForegroundOf(int fd)
{
    pid_t foreground = ::tcgetpgrp(fd);
    return foreground < 0 || foreground == ::getpgrp();
}

ForegroundWatch::ForegroundWatch(int fd, std::function<void(bool foreground)> changed)
    : fd_(fd)
    , changed_(std::move(changed))
{
    FOUNDATION_DEBUG_CHECK(foundation::RunLoop::isMainThread(), "ForegroundWatch made off the main thread",
                           "make it on the main thread, whose run loop calls it");
    listenForContinue([](ForegroundWatch& watch) { watch.continued(); });
    watches().push_back(this);
    lookWhileInBackground(isForegroundOf(fd_));
}

ForegroundWatch::~ForegroundWatch()
{
    std::erase(watches(), this);
}

void ForegroundWatch::continued()
{
    bool foreground = isForegroundOf(fd_);
    lookWhileInBackground(foreground);
    changed_(foreground);
}

void ForegroundWatch::lookAgain()
{
    if (isForegroundOf(fd_)) {
        changed_(true);
        return;
    }
    lookWhileInBackground(false);
}

void ForegroundWatch::lookWhileInBackground(bool foreground)
{
    if (foreground)
        backgroundLook_.cancel();
    else
        backgroundLook_.start(std::chrono::milliseconds(500));
}

} // namespace terminal
