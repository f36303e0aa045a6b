#pragma once

#include "foundation/runloop/Clock.h"
#include "foundation/runloop/RunLoop.h"

#include <memory>

namespace testsupport {

inline constexpr double day = 86400;  // seconds, for moving clocks by days

// Puts a manual clock on a run loop (the main one by default) for the life
// of the object, then gives the loop a system clock again.
class ManualTime {
public:
    explicit ManualTime(foundation::RunLoop& loop = foundation::RunLoop::main())
        : loop_(loop)
        , clock_(std::make_shared<foundation::ManualClock>())
    {
        loop_.setClock(clock_);
    }
    ~ManualTime() { loop_.setClock(std::make_shared<foundation::SystemClock>()); }
    ManualTime(const ManualTime&) = delete;
    ManualTime& operator=(const ManualTime&) = delete;

    double now() const { return clock_->now(); }
    // Moves time on and fires what comes due, in order, without sleeping.
    void advance(double seconds) { loop_.advanceBy(seconds); }

private:
    foundation::RunLoop& loop_;
    std::shared_ptr<foundation::ManualClock> clock_;
};

} // namespace testsupport
