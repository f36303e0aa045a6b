#include "appkit/TextField.h"
#include "appkit/View.h"
#include "appkit/Window.h"
#include "foundation/objects/DebugCheck.h"
#include "foundation/objects/String.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using namespace appkit;
using foundation::Ref;
using foundation::str;

// Windows and views belong to the main thread. In a checked build (Debug,
// Sanitize) a change from another thread ends the process with a report
// that names the call; each case runs as a death test in a fresh child
// process. Release builds (NDEBUG) have no checks, and there the same
// mistake would race instead of stopping, so the tests skip.

namespace {

constexpr const char* compiledOut = "debug checks are compiled out of this build (NDEBUG)";
// The report names the call that broke the rule.
std::string offMainThread(const char* call)
{
    return std::string("debug check failed: a window or view changed off the main thread.*"
                       "at: [^\n]* in [^\n]*") + call + ".*fix: make the change on the main thread";
}

void useFreshProcessForDeath()
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
}

template <typename Work>
void onAnotherThread(Work work)
{
    std::thread(work).join();
}

} // namespace

TEST(MainThreadCheck, ChangingAWindowFromAnotherThreadAborts)
{
    if (!foundation::debugChecksEnabled)
        GTEST_SKIP() << compiledOut;
    useFreshProcessForDeath();
    Ref<Window> window = Window::create();
    EXPECT_DEATH(onAnotherThread([&] { window->setTitle(str("Elsewhere")); }), offMainThread("Window::setTitle"));
    EXPECT_DEATH(onAnotherThread([&] { window->makeKeyAndOrderFront(nullptr); }),
                 offMainThread("Window::makeKeyAndOrderFront"));
}

TEST(MainThreadCheck, ChangingAViewFromAnotherThreadAborts)
{
    if (!foundation::debugChecksEnabled)
        GTEST_SKIP() << compiledOut;
    useFreshProcessForDeath();
    Ref<View> view = View::create();
    Ref<View> subview = View::create();
    EXPECT_DEATH(onAnotherThread([&] { view->addSubview(subview); }), offMainThread("View::addSubview"));
    EXPECT_DEATH(onAnotherThread([&] { view->setHidden(true); }), offMainThread("View::setHidden"));
}

TEST(MainThreadCheck, ChangingAControlsTextFromAnotherThreadAborts)
{
    if (!foundation::debugChecksEnabled)
        GTEST_SKIP() << compiledOut;
    useFreshProcessForDeath();
    Ref<TextField> field = TextField::create();
    EXPECT_DEATH(onAnotherThread([&] { field->setStringValue(str("Elsewhere")); }),
                 offMainThread("TextField::setAttributedStringValue"));
}
