#pragma once

#include <atomic>
#include <memory>

namespace foundation {

// A source of time in seconds for run loops and timers. Only differences
// between readings mean anything; the origin is the clock's own.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
    // How long, in real seconds, a loop should sleep before this clock reads
    // `time`. A clock that never moves by itself answers infinity.
    virtual double realSecondsUntil(double time) const { return time - now(); }
};

// The system's boot-time clock (CLOCK_BOOTTIME): unaffected by wall-clock
// changes and, unlike the monotonic clock, still counting while the
// machine is suspended, so that a daily timer means a day of the calendar
// and not a day of the machine being awake.
class SystemClock final : public Clock {
public:
    double now() const override;
};

// A clock that runs `scale` of its seconds per real second, so that a day of
// timers can pass in minutes of a test run.
class ScaledClock final : public Clock {
public:
    explicit ScaledClock(double scale, std::shared_ptr<const Clock> base = std::make_shared<SystemClock>());
    double now() const override;
    double realSecondsUntil(double time) const override;
    double scale() const noexcept { return scale_; }

private:
    double scale_;
    std::shared_ptr<const Clock> base_;
    double baseOrigin_;
};

// A clock that moves only when told to. Run loops never sleep towards it:
// RunLoop::advanceBy moves it and fires what comes due on the way.
class ManualClock final : public Clock {
public:
    explicit ManualClock(double start = 0) : now_(start) {}
    double now() const override { return now_.load(std::memory_order_acquire); }
    double realSecondsUntil(double time) const override;
    void advance(double seconds);
    void set(double time) { now_.store(time, std::memory_order_release); }

private:
    std::atomic<double> now_;
};

} // namespace foundation
