#pragma once

#include "foundation/objects/Object.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace foundation {

class RunLoop;

// A one-shot or repeating timer on a run loop's clock. A repeating timer
// first fires one interval after it is scheduled, never at scheduling, then
// every interval. Firings missed while the loop was busy collapse into one.
// Intervals are kept between a tenth of a millisecond and a century (an
// infinite interval is a century).
class Timer final : public Object {
public:
    using Block = std::function<void(Timer&)>;

    // Scheduled on the calling thread's run loop. The timer holds the target
    // until it is invalidated and performs `selector` on it by name with the
    // timer as the argument.
    static Ref<Timer> scheduledTimer(double interval, Object* target, std::string_view selector,
                                     Object* userInfo, bool repeats);
    static Ref<Timer> scheduledTimer(double interval, bool repeats, Block block);

    // Not yet scheduled: hand it to RunLoop::addTimer. The interval counts
    // from that moment.
    static Ref<Timer> create(double interval, Object* target, std::string_view selector,
                             Object* userInfo, bool repeats);
    static Ref<Timer> create(double interval, bool repeats, Block block);

    // Stops the timer for good and releases its target, block and user info.
    void invalidate();
    bool isValid() const noexcept;
    // When it fires next, on its run loop's clock (seconds).
    double fireDate() const noexcept;
    double timeInterval() const noexcept { return interval_; }
    bool repeats() const noexcept { return repeats_; }
    Object* userInfo() const;

    // Fires now, outside the schedule: a one-shot timer is then invalidated,
    // a repeating one keeps its schedule.
    void fire();

    const char* className() const override { return "NSTimer"; }

private:
    friend class RunLoop;

    Timer(double interval, bool repeats, Block block, Ref<Object> userInfo);
    static Block performer(Object* target, std::string_view selector);

    // The loop's side of firing: runs the action, then reschedules or invalidates.
    void fireFromLoop(double now);
    void runAction();
    // When the loop goes away: the timer can never fire again.
    void detachFromLoop();

    const double interval_;
    const bool repeats_;
    // Guards everything below. Never held while calling out or while taking
    // the loop's lock (the loop may take it under its own).
    mutable std::mutex mutex_;
    std::shared_ptr<const Block> block_;
    Ref<Object> userInfo_;
    RunLoop* loop_ = nullptr;
    double fireDate_ = 0;
    std::uint64_t sequence_ = 0;
    bool valid_ = true;
};

} // namespace foundation
