#pragma once

#include "foundation/objects/Ref.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <poll.h>

namespace foundation {

class Clock;
class Timer;

// Another event loop's sources, waited for inside a RunLoop's own sleep so
// that one thread serves both (a toolkit's main context, say). Each turn of
// the loop calls prepare before it sleeps and dispatch after it wakes, on
// the loop's thread, never one without the other.
class RunLoopEventSource {
public:
    // Adds the descriptors to wait on and answers the longest real wait in
    // seconds the source allows (0 when it has work ready, infinity for no
    // limit).
    virtual double prepare(std::vector<pollfd>& fds) = 0;
    // Hands back the same descriptors with what the wait saw; the source
    // runs what became ready.
    virtual void dispatch(const std::vector<pollfd>& fds) = 0;

protected:
    ~RunLoopEventSource() = default;
};

// An event loop bound to one thread: work posted from any thread, timers on
// an injectable clock, readable file descriptors, and (on the main loop) the
// process's termination signals.
//
// The loop runs posted work in FIFO order, then timers that are due in fire-
// date order (ties in scheduling order), then sleeps until the next timer, a
// post or a watched descriptor wakes it.
class RunLoop {
public:
    // The main thread's loop. It belongs to the main thread even when first
    // asked for from another thread.
    static RunLoop& main();
    // The calling thread's loop, created on first use (the main loop on the
    // main thread). It is never destroyed, so work posted to it after its
    // thread ended stays queued, unrun, instead of touching freed memory.
    static RunLoop& current();
    static bool isMainThread();

    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;
    ~RunLoop();

    // Thread-safe. The work runs on the loop's thread, in the order posted.
    void post(std::function<void()> work);

    // Runs until stop(). run, runUntil and advanceBy raise an internal-
    // inconsistency exception off the loop's own thread. A stop() that arrives while no run() is active makes
    // the next run() return at once, so a stop can never be lost to a race.
    void run();
    // Thread-safe.
    void stop();

    // Runs posted work, due timers and descriptor handlers until done()
    // answers true or realTimeoutSeconds of real time have passed. Answers
    // done()'s last answer. For tests and for waiting without sleeping.
    [[nodiscard]] bool runUntil(const std::function<bool()>& done, double realTimeoutSeconds);

    // Timers already scheduled keep their remaining time across the switch.
    // Belongs to the loop's thread: the reference clock() answers stays
    // valid until the next setClock, so only the thread that calls clock()
    // may replace it. A debug check stops a call from any other thread.
    void setClock(std::shared_ptr<Clock> clock);
    Clock& clock() const;

    // With a ManualClock: moves time forward by `seconds`, firing every timer
    // that comes due on the way at its own fire date, in fire-date order, and
    // running the work those firings post. Raises an internal-inconsistency
    // exception when the loop's clock is not a ManualClock.
    void advanceBy(double seconds);

    // Schedules a timer on this loop; the loop holds it until it is
    // invalidated (a one-shot timer is invalidated after it fires).
    void addTimer(const Ref<Timer>& timer);
    // How many valid timers the loop holds.
    std::size_t timerCount() const;

    // Calls `handler` on the loop's thread whenever `fd` is readable (level-
    // triggered: the handler must read). Answers an id for unwatch().
    using WatchId = std::uint64_t;
    WatchId watchReadable(int fd, std::function<void()> handler);
    void unwatch(WatchId id);

    // Waits for `source` too from now on; null takes it away. At most one.
    // Loop's thread only: a source must never be prepared on one thread
    // and dispatched on another.
    void setEventSource(RunLoopEventSource* source);

    // Main loop only: on SIGINT or SIGTERM the handler runs on the main
    // thread, then the loop stops and run() returns. Nothing but a byte on a
    // pipe happens inside the signal handler itself. An empty handler gives
    // the signals back their default action.
    void setTerminationHandler(std::function<void()> handler);

private:
    friend class Timer;
    class Impl;

    explicit RunLoop(int ownerThreadId);
    // run, runUntil and advanceBy belong to the loop's thread: timers and
    // handlers must never run anywhere else.
    void requireOwnerThread(const char* operation) const;
    void removeTimer(Timer& timer);
    void rescheduleTimer(Timer& timer, double fireDate);

    std::unique_ptr<Impl> impl_;
};

} // namespace foundation
