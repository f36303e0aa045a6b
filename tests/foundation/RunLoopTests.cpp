#include "foundation/runloop/Clock.h"
#include "foundation/objects/Exception.h"
#include "foundation/runloop/RunLoop.h"
#include "foundation/runloop/Timer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

using foundation::RunLoop;

namespace {

constexpr double patience = 10;  // real seconds before a wait counts as a hang
constexpr double day = 86400;

// Runs `probe` in a grandchild inside a new time namespace whose boot-time
// clock reads `bootTimeAhead` seconds more than its monotonic clock, as on
// a machine that has been suspended that long. Answers the probe's exit
// status, or 77 when this machine gives no time namespaces.
int inTimeNamespace(long bootTimeAhead, int (*probe)())
{
    pid_t child = ::fork();
    if (child == 0) {
        if (::unshare(CLONE_NEWTIME) != 0)
            ::_exit(77);
        std::string offsets = "boottime " + std::to_string(bootTimeAhead) + " 0\n";
        int file = ::open("/proc/self/timens_offsets", O_WRONLY);
        if (file < 0 || ::write(file, offsets.data(), offsets.size()) != static_cast<ssize_t>(offsets.size()))
            ::_exit(77);
        ::close(file);
        pid_t grandchild = ::fork();  // the first process to enter the namespace
        if (grandchild == 0)
            ::_exit(probe());
        int status = 0;
        ::waitpid(grandchild, &status, 0);
        ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 2);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}

// A clock that stands at one reading.
class StoppedClock final : public foundation::Clock {
public:
    explicit StoppedClock(double reading) : reading_(reading) {}
    double now() const override { return reading_; }

private:
    double reading_;
};

} // namespace

// At a reading so large that a second is lost in it (or infinite, as a
// broken scale made it), a repeating timer's next date cannot pass now: it
// fires once, its schedule moves on by the least step there is or it ends,
// and the loop goes on serving its posts. On a loop of its own thread, so
// that the main loop's clock and timers are not touched.
TEST(RunLoop, ATimerWhoseNextDateCannotPassNowFiresOnceAndTheLoopGoesOn)
{
    for (double reading : {1e300, double(INFINITY)}) {
        int firings = 0;
        bool served = false;
        bool done = false;
        std::thread([&] {
            RunLoop& loop = RunLoop::current();
            loop.setClock(std::make_shared<StoppedClock>(reading));
            auto timer = foundation::Timer::scheduledTimer(1, true, [&firings](foundation::Timer& fired) {
                if (++firings == 1000)
                    fired.invalidate();  // without it a spinning loop would never come back
            });
            loop.post([&served] { served = true; });
            done = loop.runUntil([&] { return served && firings > 0; }, patience);
            timer->invalidate();
        }).join();
        EXPECT_TRUE(done) << reading;
        EXPECT_EQ(firings, 1) << reading;
    }
}

namespace {

TEST(RunLoop, AStopBeforeRunIsNotLost)
{
    RunLoop& loop = RunLoop::main();
    loop.stop();
    loop.run();  // returns at once instead of hanging
    std::thread stopper([&] { loop.stop(); });
    loop.run();
    stopper.join();
}

TEST(RunLoop, RunUntilGivesUpAtItsLimit)
{
    EXPECT_FALSE(RunLoop::main().runUntil([] { return false; }, 0.01));
}

TEST(RunLoop, AFarOffTimerLetsTheLoopSleepAndStillWakeForWork)
{
    RunLoop& loop = RunLoop::main();
    foundation::Ref<foundation::Timer> far = foundation::Timer::scheduledTimer(1e300, false, [](foundation::Timer&) {
        ADD_FAILURE() << "a timer a lifetime away fired";
    });
    bool done = false;
    std::thread poster([&] { loop.post([&] { done = true; }); });
    EXPECT_TRUE(loop.runUntil([&] { return done; }, patience));
    poster.join();
    std::thread stopper([&] { loop.stop(); });
    loop.run();
    stopper.join();
    far->invalidate();
}

TEST(RunLoop, AThreadsLoopTakesLatePostsAfterTheThreadEnded)
{
    RunLoop* loop = nullptr;
    std::thread([&] { loop = &RunLoop::current(); }).join();
    // The work is never run, but the post must find a live queue (the
    // sanitizer build sees freed memory otherwise).
    loop->post([] {});
    EXPECT_EQ(loop->timerCount(), 0u);
}

TEST(RunLoop, EachThreadHasItsOwnLoop)
{
    EXPECT_EQ(&RunLoop::current(), &RunLoop::main());
    std::thread([] {
        EXPECT_NE(&RunLoop::current(), &RunLoop::main());
        EXPECT_FALSE(RunLoop::isMainThread());
    }).join();
}

TEST(RunLoop, TheMainLoopRefusesToRunOnAnotherThread)
{
    std::thread([] {
        try {
            RunLoop::main().run();
            ADD_FAILURE() << "the main loop ran on another thread";
        } catch (const foundation::Exception& exception) {
            EXPECT_EQ(exception.name(), "NSInternalInconsistencyException");
        }
    }).join();
}

TEST(RunLoop, TerminationSignalRunsTheHandlerOnTheMainThreadThenStopsTheLoop)
{
    RunLoop& loop = RunLoop::main();
    std::vector<std::string> events;
    loop.setTerminationHandler([&] {
        EXPECT_TRUE(RunLoop::isMainThread());
        events.push_back("terminating");
    });
    loop.post([&] {
        events.push_back("running");
        // Aimed at a thread of our own rather than at the process: a
        // process-wide signal may land on a sanitizer's helper thread, which
        // would hold it back until the next signal comes.
        std::thread([] { ::pthread_kill(::pthread_self(), SIGTERM); }).join();
    });
    loop.run();
    loop.setTerminationHandler(nullptr);
    EXPECT_EQ(events, (std::vector<std::string>{"running", "terminating"}));

    struct sigaction current {};
    ::sigaction(SIGINT, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
}

TEST(Clock, ScaledClockRunsFasterThanItsBase)
{
    auto base = std::make_shared<foundation::ManualClock>(100);
    foundation::ScaledClock scaled(3600, base);
    EXPECT_DOUBLE_EQ(scaled.now(), 100);
    base->advance(2);
    EXPECT_DOUBLE_EQ(scaled.now(), 100 + 7200);
    EXPECT_DOUBLE_EQ(scaled.realSecondsUntil(scaled.now() + 86400), 24);
    EXPECT_THROW(foundation::ScaledClock(0), foundation::Exception);
}

TEST(Clock, TheSystemClockCountsTimeTheMachineSpentSuspended)
{
    int status = inTimeNamespace(1000000, [] {
        double reading = foundation::SystemClock().now();
        timespec monotonic{};
        ::clock_gettime(CLOCK_MONOTONIC, &monotonic);
        double ahead = reading - static_cast<double>(monotonic.tv_sec);
        return ahead > 999000 && ahead < 1001000 ? 0 : 1;
    });
    if (status == 77)
        GTEST_SKIP() << "no time namespace on this machine";
    EXPECT_EQ(status, 0) << "the system clock stood still while the machine was suspended";
}

TEST(RunLoop, ALoopMeasuresItsTimersOnTheSystemClock)
{
    bool system = false;
    std::thread([&] { system = dynamic_cast<foundation::SystemClock*>(&RunLoop::current().clock()) != nullptr; }).join();
    EXPECT_TRUE(system);
}

TEST(RunLoop, AShortTimerEndsTheLoopsSleep)
{
    bool fired = false;
    foundation::Ref<foundation::Timer> timer = foundation::Timer::scheduledTimer(0.05, false, [&](foundation::Timer&) {
        fired = true;
    });
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return fired; }, patience));
}

TEST(RunLoop, ADailyTimerThatFellDueDuringASuspendFiresOnceOnTheNextTurn)
{
    RunLoop& loop = RunLoop::main();
    auto clock = std::make_shared<foundation::ManualClock>(1000);
    loop.setClock(clock);
    int fired = 0;
    foundation::Ref<foundation::Timer> daily = foundation::Timer::scheduledTimer(day, true, [&](foundation::Timer&) {
        ++fired;
    });
    // Three days and an hour asleep: the clock reads them all at once on resume.
    clock->set(1000 + 3 * day + 3600);
    EXPECT_TRUE(loop.runUntil([&] { return fired > 0; }, patience));
    EXPECT_EQ(fired, 1) << "one check for the days missed, not one each";
    EXPECT_EQ(daily->fireDate(), 1000 + 4 * day);
    daily->invalidate();
    loop.setClock(std::make_shared<foundation::SystemClock>());
}

TEST(Clock, AManualClockNeverSleeps)
{
    foundation::ManualClock clock(100);
    clock.advance(2);
    EXPECT_TRUE(std::isinf(clock.realSecondsUntil(103)));
    EXPECT_EQ(clock.realSecondsUntil(102), 0);
}

TEST(Clock, AManualClockRefusesToGoBack)
{
    foundation::ManualClock clock(100);
    EXPECT_THROW(clock.advance(-1), foundation::Exception);
    EXPECT_EQ(clock.now(), 100);
}

} // namespace
