#include "foundation/objects/Exception.h"
#include "foundation/runloop/RunLoop.h"
#include "foundation/runloop/Timer.h"

#include "support/ManualTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace foundation;
using testsupport::day;

namespace {


// A timer target that notes each firing of its action, as the agent's
// updater does with its daily check.
class Checker final : public Object {
public:
    static Ref<Checker> create() { return Ref<Checker>::adopt(new Checker); }
    const OperationTable& operations() const override
    {
        static const OperationTable table(&Object::operations(), {
            {"check:", [](Object& receiver, Object* timer) -> Ref<Object> {
                 auto& checker = static_cast<Checker&>(receiver);
                 checker.firedBy.push_back(timer);
                 checker.firedAt.push_back(RunLoop::main().clock().now());
                 return nullptr;
             }},
        });
        return table;
    }

    std::vector<Object*> firedBy;
    std::vector<double> firedAt;
};

class TimerTest : public ::testing::Test {
protected:
    ~TimerTest() override
    {
        for (auto& timer : timers)
            timer->invalidate();
    }
    Ref<Timer> keep(Ref<Timer> timer)
    {
        timers.push_back(timer);
        return timer;
    }

    testsupport::ManualTime time;
    std::vector<Ref<Timer>> timers;
};

TEST_F(TimerTest, DailyTimerFiresExactlyAtEachFullDayAndNeverAtScheduling)
{
    Ref<Checker> checker = Checker::create();
    double start = time.now();
    Ref<Timer> timer = keep(Timer::scheduledTimer(day, checker.get(), "check:", nullptr, true));

    time.advance(0);  // never at scheduling
    time.advance(day - 1);
    EXPECT_TRUE(checker->firedAt.empty());
    time.advance(1);
    ASSERT_EQ(checker->firedAt.size(), 1u);
    EXPECT_EQ(checker->firedAt[0], start + day);
    EXPECT_EQ(checker->firedBy[0], timer.get());

    time.advance(day - 1);
    EXPECT_EQ(checker->firedAt.size(), 1u);
    time.advance(1 + 2 * day);  // three days gone: each one fires at its own date
    EXPECT_EQ(checker->firedAt, (std::vector<double>{start + day, start + 2 * day, start + 3 * day, start + 4 * day}));
    EXPECT_TRUE(timer->isValid());
}

TEST_F(TimerTest, AnInfiniteOrVastIntervalMeansPracticallyNever)
{
    Ref<Checker> checker = Checker::create();
    for (double interval : {double(INFINITY), 1e300, 1e18})
        keep(Timer::scheduledTimer(interval, checker.get(), "check:", nullptr, true));
    time.advance(1);
    ASSERT_TRUE(checker->firedAt.empty());
    time.advance(50 * 365 * day);
    EXPECT_TRUE(checker->firedAt.empty());
    for (auto& timer : timers)
        EXPECT_TRUE(std::isfinite(timer->fireDate()));
}

TEST_F(TimerTest, TimersFireInDateOrderAndTiesInSchedulingOrder)
{
    std::vector<std::string> order;
    auto record = [&](std::string name) { return [&order, name](Timer&) { order.push_back(name); }; };
    keep(Timer::scheduledTimer(30, false, record("thirty")));
    keep(Timer::scheduledTimer(10, false, record("ten-a")));
    keep(Timer::scheduledTimer(20, true, record("every-twenty")));
    keep(Timer::scheduledTimer(10, false, record("ten-b")));
    time.advance(45);
    EXPECT_EQ(order, (std::vector<std::string>{"ten-a", "ten-b", "every-twenty", "thirty", "every-twenty"}));
}

TEST_F(TimerTest, WorkPostedByATimerRunsBeforeLaterTimers)
{
    std::vector<std::string> order;
    keep(Timer::scheduledTimer(20, false, [&](Timer&) { order.push_back("twenty"); }));
    keep(Timer::scheduledTimer(15, false, [&](Timer&) {
        RunLoop::main().post([&] { order.push_back("posted by fifteen"); });
        order.push_back("fifteen");
    }));
    time.advance(45);
    EXPECT_EQ(order, (std::vector<std::string>{"fifteen", "posted by fifteen", "twenty"}));
}

TEST_F(TimerTest, TheLoopHoldsATimerAndTheTimerItsTargetUntilItIsDone)
{
    WeakRef<Checker> weakChecker;
    WeakRef<Timer> weakTimer;
    {
        Ref<Checker> checker = Checker::create();
        weakChecker = checker;
        weakTimer = Timer::scheduledTimer(5, checker.get(), "check:", nullptr, false);
    }
    Ref<Checker> checker = weakChecker.get();
    ASSERT_TRUE(checker && weakTimer.get());
    time.advance(5);
    EXPECT_EQ(checker->firedAt.size(), 1u);
    // A one-shot timer is done once it has fired: it lets go of its target.
    EXPECT_EQ(checker->refCount(), 1u);
    EXPECT_FALSE(weakTimer.get());
}

TEST_F(TimerTest, FireRunsTheActionEarlyWithoutMovingTheSchedule)
{
    Ref<Checker> checker = Checker::create();
    Ref<Timer> repeating = keep(Timer::scheduledTimer(10, checker.get(), "check:", nullptr, true));
    repeating->fire();
    EXPECT_EQ(checker->firedAt.size(), 1u);
    EXPECT_TRUE(repeating->isValid());
    EXPECT_EQ(repeating->fireDate(), time.now() + 10);  // the schedule is unchanged

    Ref<Timer> oneShot = keep(Timer::scheduledTimer(10, checker.get(), "check:", nullptr, false));
    oneShot->fire();
    EXPECT_FALSE(oneShot->isValid());
}

TEST_F(TimerTest, InvalidateStopsARepeatingTimerEvenFromItsOwnAction)
{
    int firings = 0;
    keep(Timer::scheduledTimer(1, true, [&](Timer& timer) {
        if (++firings == 3)
            timer.invalidate();
    }));
    time.advance(9);
    EXPECT_EQ(firings, 3);
}

TEST(TimerMisuse, OnlyAManualClockCanBeAdvanced)
{
    EXPECT_THROW(RunLoop::main().advanceBy(1), Exception);
}

TEST(TimerMisuse, AnUnknownActionRaisesWhenItFires)
{
    testsupport::ManualTime time;
    Ref<Timer> timer = Timer::scheduledTimer(1, Checker::create().get(), "noSuchAction:", nullptr, false);
    EXPECT_THROW(time.advance(1), Exception);
    timer->invalidate();
}

} // namespace
