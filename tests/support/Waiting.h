#pragma once

#include "foundation/runloop/OperationQueue.h"
#include "foundation/runloop/RunLoop.h"

#include <chrono>
#include <functional>
#include <thread>

namespace testsupport {

// Real seconds gone since `start`, for waits on what no run loop hears about.
inline double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs the main run loop until everything already posted to the main
// queue has run.
inline bool drainMainQueue(double seconds = 10)
{
    bool reached = false;
    foundation::OperationQueue::mainQueue().addOperationWithBlock([&reached] { reached = true; });
    return foundation::RunLoop::main().runUntil([&reached] { return reached; }, seconds);
}

// Waits for `found`, calling `collect` with the milliseconds left of the
// real-time limit each time it is not there yet: for output read from a
// child, where each read may bring what is looked for.
inline bool collectUntil(const std::function<bool()>& found, double seconds, const std::function<void(int)>& collect)
{
    auto start = std::chrono::steady_clock::now();
    while (!found()) {
        double left = seconds - secondsSince(start);
        if (left <= 0)
            return false;
        collect(static_cast<int>(left * 1000) + 1);
    }
    return true;
}

// For what no run loop hears about (a child process writing a file):
// checks every few milliseconds until `done` or the real-time limit.
inline bool pollUntil(const std::function<bool()>& done, double seconds = 10)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace testsupport
