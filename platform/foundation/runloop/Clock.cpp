#include "foundation/runloop/Clock.h"

#include "foundation/objects/Exception.h"

#include <limits>

#include <time.h>

namespace foundation {

double SystemClock::now() const
{
    timespec reading{};
    ::clock_gettime(CLOCK_BOOTTIME, &reading);
    return static_cast<double>(reading.tv_sec) + static_cast<double>(reading.tv_nsec) / 1e9;
}

ScaledClock::ScaledClock(double scale, std::shared_ptr<const Clock> base)
    : scale_(scale)
    , base_(std::move(base))
{
    if (!(scale_ > 0))
        raise(ExceptionName::InvalidArgument, "ScaledClock: the scale must be above 0");
    if (!base_)
        raise(ExceptionName::InvalidArgument, "ScaledClock: no base clock");
    baseOrigin_ = base_->now();
}

// Readings start at the base clock's and then run `scale` times as fast.
double ScaledClock::now() const
{
    return baseOrigin_ + (base_->now() - baseOrigin_) * scale_;
}

double ScaledClock::realSecondsUntil(double time) const
{
    return (time - now()) / scale_;
}

double ManualClock::realSecondsUntil(double time) const
{
    return time > now() ? std::numeric_limits<double>::infinity() : 0.0;
}

void ManualClock::advance(double seconds)
{
    if (!(seconds >= 0))
        raise(ExceptionName::InvalidArgument, "ManualClock: time only moves forward");
    double current = now_.load(std::memory_order_acquire);
    while (!now_.compare_exchange_weak(current, current + seconds, std::memory_order_acq_rel)) {
    }
}

} // namespace foundation
