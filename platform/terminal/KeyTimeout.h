#pragma once

#include "foundation/runloop/RunLoop.h"

#include <chrono>
#include <functional>

namespace terminal {

// A wait in real time for the next key, whatever clock the main run loop
// keeps (a test may run it days per second): start() arms it, and
// `expired` runs on the main run loop once the delay has passed with no
// cancel() or new start() first. Main thread only; nothing runs once the
// object is destroyed.
class KeyTimeout {
public:
    explicit KeyTimeout(std::function<void()> expired);
    ~KeyTimeout();

    KeyTimeout(const KeyTimeout&) = delete;
    KeyTimeout& operator=(const KeyTimeout&) = delete;

    void start(std::chrono::milliseconds delay);
    void cancel();

private:
    void fired();

    std::function<void()> expired_;
    int timerFd_;
    foundation::RunLoop::WatchId watch_ = 0;
    bool armed_ = false;
};

// How long a lone Esc waits for the rest of a sequence: ESCDELAY in
// milliseconds when set (as for curses programs), else curses's second.
std::chrono::milliseconds escapeDelay();

} // namespace terminal
