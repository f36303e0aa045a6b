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

#include <pthread.h>
#include <unistd.h>

using foundation::RunLoop;

namespace {

constexpr double patience = 10;  // real seconds before a wait counts as a hang

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
