#include "foundation/runloop/Timer.h"

#include "foundation/objects/Exception.h"
#include "foundation/runloop/RunLoop.h"

#include <algorithm>
#include <cmath>

namespace foundation {

namespace {

// The platform's floor for intervals: a zero, negative or NaN interval would
// make a repeating timer spin.
constexpr double minimumInterval = 0.0001;
// An infinite or vast interval means "practically never": a century keeps
// fire dates finite.
constexpr double maximumInterval = 100 * 365.25 * 24 * 3600;

double usableInterval(double interval)
{
    if (!(interval > minimumInterval))
        return minimumInterval;
    return std::min(interval, maximumInterval);
}

} // namespace

Timer::Timer(double interval, bool repeats, Block block, Ref<Object> userInfo)
    : interval_(usableInterval(interval))
    , repeats_(repeats)
    , block_(std::make_shared<const Block>(std::move(block)))
    , userInfo_(std::move(userInfo))
{
}

Timer::Block Timer::performer(Object* target, std::string_view selector)
{
    if (!target)
        raise(ExceptionName::InvalidArgument, "Timer: no target");
    return [target = Ref<Object>(target), selector = std::string(selector)](Timer& timer) {
        target->perform(selector, &timer);
    };
}

Ref<Timer> Timer::create(double interval, Object* target, std::string_view selector, Object* userInfo, bool repeats)
{
    return Ref<Timer>::adopt(new Timer(interval, repeats, performer(target, selector), Ref(userInfo)));
}

Ref<Timer> Timer::create(double interval, bool repeats, Block block)
{
    if (!block)
        raise(ExceptionName::InvalidArgument, "Timer: no block");
    return Ref<Timer>::adopt(new Timer(interval, repeats, std::move(block), nullptr));
}

Ref<Timer> Timer::scheduledTimer(double interval, Object* target, std::string_view selector, Object* userInfo, bool repeats)
{
    Ref<Timer> timer = create(interval, target, selector, userInfo, repeats);
    RunLoop::current().addTimer(timer);
    return timer;
}

Ref<Timer> Timer::scheduledTimer(double interval, bool repeats, Block block)
{
    Ref<Timer> timer = create(interval, repeats, std::move(block));
    RunLoop::current().addTimer(timer);
    return timer;
}

void Timer::invalidate()
{
    Ref<Timer> protect(this);
    RunLoop* loop;
    std::shared_ptr<const Block> block;
    Ref<Object> userInfo;
    {
        std::lock_guard lock(mutex_);
        if (!valid_)
            return;
        valid_ = false;
        loop = loop_;
        block = std::move(block_);
        userInfo = std::move(userInfo_);
    }
    if (loop)
        loop->removeTimer(*this);
    // The target and user info are released here, outside every lock.
}

void Timer::detachFromLoop()
{
    std::shared_ptr<const Block> block;
    Ref<Object> userInfo;
    std::lock_guard lock(mutex_);
    valid_ = false;
    loop_ = nullptr;
    block = std::move(block_);
    userInfo = std::move(userInfo_);
}

bool Timer::isValid() const noexcept
{
    std::lock_guard lock(mutex_);
    return valid_;
}

double Timer::fireDate() const noexcept
{
    std::lock_guard lock(mutex_);
    return fireDate_;
}

Object* Timer::userInfo() const
{
    std::lock_guard lock(mutex_);
    return userInfo_.get();
}

void Timer::runAction()
{
    std::shared_ptr<const Block> block;
    {
        std::lock_guard lock(mutex_);
        block = block_;
    }
    if (block)
        (*block)(*this);
}

void Timer::fire()
{
    Ref<Timer> protect(this);
    runAction();
    if (!repeats_)
        invalidate();
}

void Timer::fireFromLoop(double now)
{
    Ref<Timer> protect(this);
    if (!isValid())
        return;
    runAction();
    if (!repeats_) {
        invalidate();
        return;
    }
    RunLoop* loop;
    double next;
    {
        std::lock_guard lock(mutex_);
        if (!valid_ || !loop_)
            return;
        loop = loop_;
        // Firings missed while the loop was busy collapse into this one.
        next = fireDate_ + interval_;
        if (next <= now)
            next = fireDate_ + interval_ * (std::floor((now - fireDate_) / interval_) + 1);
        if (!(next > now))  // rounding, or a date so far on that the interval is lost in it
            next = std::nextafter(now, INFINITY);
    }
    // A clock that reads infinity (or no number) has no later date: the
    // timer would be due for ever, so it ends instead.
    if (!std::isfinite(next)) {
        invalidate();
        return;
    }
    loop->rescheduleTimer(*this, next);
}

} // namespace foundation
