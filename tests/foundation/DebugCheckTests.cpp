#include "foundation/objects/DebugCheck.h"
#include "foundation/objects/Object.h"
#include "foundation/objects/String.h"
#include "foundation/runloop/Clock.h"
#include "foundation/runloop/RunLoop.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using namespace foundation;

// Each broken contract below ends the process in a checked build (Debug,
// Sanitize), so each runs as a death test: in a child process that gtest
// starts afresh ("threadsafe"), since earlier tests leave threads running.
// Release builds (NDEBUG) have no checks, and there the same mistakes would
// corrupt memory instead of stopping, so the tests skip.

namespace {

constexpr const char* compiledOut = "debug checks are compiled out of this build (NDEBUG)";

void useFreshProcessForDeath()
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
}

class Plain final : public Object {
public:
    Plain() = default;
};

// Makes a reference to itself from its destructor, as code a destructor
// calls might.
class RetainsItselfWhileDestroyed final : public Object {
public:
    ~RetainsItselfWhileDestroyed() override { Ref<Object> self(this); }
};

} // namespace

TEST(DebugCheck, AFailedCheckReportsTheContractTheConditionAndTheFixThenAborts)
{
    if (!debugChecksEnabled)
        GTEST_SKIP() << compiledOut;
    useFreshProcessForDeath();
    EXPECT_DEATH(FOUNDATION_DEBUG_CHECK(1 + 1 == 3, "arithmetic holds", "check the adder"),
                 "debug check failed: arithmetic holds\n"
                 "  condition: 1 \\+ 1 == 3\n"
                 "  at: .*DebugCheckTests.cpp:[0-9]+ in .*\n"
                 "  fix: check the adder\n");
}

TEST(DebugCheck, ReleaseBuildsNeitherAbortNorEvaluateTheCondition)
{
    if (debugChecksEnabled)
        GTEST_SKIP() << "debug checks are on in this build";
    int evaluations = 0;
    FOUNDATION_DEBUG_CHECK(++evaluations < 0, "never evaluated", "nothing to fix");
    EXPECT_EQ(evaluations, 0);
}

TEST(DebugCheck, AdoptingAnObjectThatIsAlreadyHeldAborts)
{
    if (!debugChecksEnabled)
        GTEST_SKIP() << compiledOut;
    useFreshProcessForDeath();
    Ref<Plain> held = Ref<Plain>::adopt(new Plain);
    Ref<Plain> shared = held;  // count 2: adopting now would leave one reference unowned
    EXPECT_DEATH((void)Ref<Plain>::adopt(shared.get()),
                 "debug check failed: Ref::adopt of an object whose reference count is not 1.*"
                 "fix: adopt only what `new` just returned");
}

TEST(DebugCheck, RetainingAnObjectWhileItIsDestroyedAborts)
{
    if (!debugChecksEnabled)
        GTEST_SKIP() << compiledOut;
    useFreshProcessForDeath();
    EXPECT_DEATH({ Ref<RetainsItselfWhileDestroyed> doomed = Ref<RetainsItselfWhileDestroyed>::adopt(new RetainsItselfWhileDestroyed); },
                 "debug check failed: retain of an object that is being destroyed.*"
                 "fix: do not make a Ref to `this`");
}

TEST(DebugCheck, SettingTheMainLoopsClockFromAnotherThreadAborts)
{
    if (!debugChecksEnabled)
        GTEST_SKIP() << compiledOut;
    useFreshProcessForDeath();
    EXPECT_DEATH(std::thread([] { RunLoop::main().setClock(std::make_shared<SystemClock>()); }).join(),
                 "debug check failed: RunLoop::setClock called off the loop's own thread.*"
                 "fix: set the clock on the thread that runs the loop");
}

TEST(DebugCheck, SettingAWorkerLoopsClockFromTheMainThreadAborts)
{
    if (!debugChecksEnabled)
        GTEST_SKIP() << compiledOut;
    useFreshProcessForDeath();
    RunLoop* workerLoop = nullptr;
    std::thread([&workerLoop] { workerLoop = &RunLoop::current(); }).join();
    EXPECT_DEATH(workerLoop->setClock(std::make_shared<SystemClock>()),
                 "debug check failed: RunLoop::setClock called off the loop's own thread");
}

TEST(DebugCheck, AnUncheckedStringOfBytesThatAreNotUTF8Aborts)
{
    if (!debugChecksEnabled)
        GTEST_SKIP() << compiledOut;
    useFreshProcessForDeath();
    EXPECT_DEATH((void)String::createUnchecked("caf\xE9"),  // Latin-1, not UTF-8
                 "debug check failed: String::createUnchecked \\(or str\\(\\)\\) given bytes that are not valid UTF-8.*"
                 "fix: make strings from bytes that come from outside the program .* with String::create");
    EXPECT_DEATH((void)str("\xC0\xAF"), "given bytes that are not valid UTF-8");  // an overlong "/"
}
