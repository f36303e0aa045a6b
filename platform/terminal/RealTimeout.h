#pragma once

#include "foundation/runloop/RunLoop.h"

#include <chrono>
#include <functional>

namespace terminal {

// A wait in real time, whatever clock the main run loop keeps (a test may
// run it days per second), as for the rest of a key's sequence: start()
// arms it, and
// `expired` runs on the main run loop once the delay has passed with no
// cancel() or new start() first. Main thread only; nothing runs once the
// object is destroyed.
class RealTimeout {
public:
    explicit RealTimeout(std::function<void()> expired);
    ~RealTimeout();

    RealTimeout(const RealTimeout&) = delete;
    RealTimeout& operator=(const RealTimeout&) = delete;

    void start(std::chrono::milliseconds delay);
    void cancel();

private:
    void fired();

    std::function<void()> expired_;
    int timerFd_;
    foundation::RunLoop::WatchId watch_ = 0;
    bool armed_ = false;
};

} // namespace terminal
