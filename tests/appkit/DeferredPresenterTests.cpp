// The stand-in that opens a costly presenter only when a window must really
// be shown: what it opens, when, and what the opened one hears.
#include "appkit/DeferredPresenter.h"
#include "appkit/Window.h"
#include "foundation/runloop/RunLoop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace appkit;
using foundation::Ref;

namespace {

constexpr double patience = 10;

// A presenter that notes which windows came to the front.
class NotingPresenter final : public WindowDisplay {
public:
    void windowDidOrderFront(Window& window) override { fronted.push_back(&window); }
    void windowNeedsDisplay(Window&) override {}
    std::vector<const Window*> fronted;
};

class DeferredPresenterTest : public ::testing::Test {
protected:
    ~DeferredPresenterTest() override { Window::setDisplay(nullptr); }

    DeferredPresenter::Opener opener()
    {
        return [this](std::string& error) -> std::unique_ptr<WindowDisplay> {
            ++opened;
            if (!openerError.empty()) {
                error = openerError;
                return nullptr;
            }
            auto presenter = std::make_unique<NotingPresenter>();
            real = presenter.get();
            return presenter;
        };
    }

    // Lets the main loop run what the windows' changes scheduled.
    void turn()
    {
        bool turned = false;
        foundation::RunLoop::main().post([&] { turned = true; });
        ASSERT_TRUE(foundation::RunLoop::main().runUntil([&] { return turned; }, patience));
    }

    int opened = 0;
    std::string openerError;
    NotingPresenter* real = nullptr;
};

TEST_F(DeferredPresenterTest, AWindowShownAndHiddenWithinOneTurnOpensNothing)
{
    DeferredPresenter deferred(opener(), nullptr);
    Ref<Window> window = Window::create();
    window->makeKeyAndOrderFront(nullptr);
    window->orderOut(nullptr);
    window->setTitle(foundation::String::create("changed while hidden"));
    turn();
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(Window::display(), &deferred);
}

TEST_F(DeferredPresenterTest, TheFirstShownWindowOpensThePresenterOnceAndItTakesOver)
{
    DeferredPresenter deferred(opener(), nullptr);
    Ref<Window> hidden = Window::create();
    Ref<Window> shown = Window::create();
    hidden->makeKeyAndOrderFront(nullptr);
    hidden->orderOut(nullptr);
    shown->makeKeyAndOrderFront(nullptr);
    turn();
    ASSERT_EQ(opened, 1);
    ASSERT_NE(real, nullptr);
    EXPECT_EQ(Window::display(), real);
    EXPECT_EQ(deferred.presenter(), real);
    // Both came to the front while it was deferred; the real presenter
    // decides what a hidden one shows, as it would have from the start.
    EXPECT_EQ(real->fronted, (std::vector<const Window*>{hidden.get(), shown.get()}));

    shown->orderOut(nullptr);
    shown->makeKeyAndOrderFront(nullptr);
    turn();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(real->fronted.size(), 3u);
}

TEST_F(DeferredPresenterTest, AFailedOpeningHandsTheWindowToTheFallbackWithTheReason)
{
    openerError = "cannot open display :7";
    std::string reason;
    NotingPresenter* fallback = nullptr;
    DeferredPresenter deferred(opener(), [&](const std::string& why) -> std::unique_ptr<WindowDisplay> {
        reason = why;
        auto presenter = std::make_unique<NotingPresenter>();
        fallback = presenter.get();
        return presenter;
    });
    Ref<Window> window = Window::create();
    window->makeKeyAndOrderFront(nullptr);
    turn();
    EXPECT_EQ(reason, "cannot open display :7");
    ASSERT_NE(fallback, nullptr);
    EXPECT_EQ(Window::display(), fallback);
    EXPECT_EQ(fallback->fronted, (std::vector<const Window*>{window.get()}));
}

TEST_F(DeferredPresenterTest, ADestroyedPresenterIsNoLongerTheDisplay)
{
    {
        DeferredPresenter deferred(opener(), nullptr);
        Ref<Window> window = Window::create();
        window->makeKeyAndOrderFront(nullptr);
        turn();
        ASSERT_EQ(Window::display(), real);
    }
    EXPECT_EQ(Window::display(), nullptr);
}

} // namespace
