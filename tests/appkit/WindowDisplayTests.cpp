// What every display keeps of the windows: which one is in front, and
// whether it is still the windows' display.
#include "appkit/FrontWindows.h"
#include "appkit/InstalledDisplay.h"
#include "appkit/Window.h"

#include <gtest/gtest.h>

using namespace appkit;
using foundation::Ref;

namespace {

class SilentDisplay final : public WindowDisplay {
public:
    void windowDidOrderFront(Window&) override {}
    void windowNeedsDisplay(Window&) override {}
};

} // namespace

TEST(FrontWindows, TheFrontmostVisibleWindowIsFoundPastHiddenAndGoneOnes)
{
    FrontWindows windows;
    Ref<Window> back = Window::create();
    Ref<Window> hidden = Window::create();
    back->makeKeyAndOrderFront(nullptr);
    windows.orderedFront(*back);
    windows.orderedFront(*hidden);
    {
        Ref<Window> gone = Window::create();
        windows.orderedFront(*gone);
    }
    EXPECT_EQ(windows.frontVisible().get(), back.get());

    // Brought forward again, a window is in front once, not twice.
    windows.orderedFront(*hidden);
    windows.orderedFront(*back);
    std::vector<Ref<Window>> all = windows.takeAll();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].get(), hidden.get());
    EXPECT_EQ(all[1].get(), back.get());
    EXPECT_FALSE(windows.frontVisible());
}

TEST(InstalledDisplay, GoesWithItsGuardUnlessAnotherWasInstalledSince)
{
    SilentDisplay first, second, third;
    {
        InstalledDisplay installed(first);
        EXPECT_EQ(Window::display(), &first);
        installed.handOver(second);
        EXPECT_EQ(Window::display(), &second);
    }
    EXPECT_EQ(Window::display(), nullptr);
    {
        InstalledDisplay installed(first);
        Window::setDisplay(&third);
    }
    EXPECT_EQ(Window::display(), &third);
    Window::setDisplay(nullptr);
}
