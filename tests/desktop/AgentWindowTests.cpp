// The agent's real notification window on a desktop of the test's own: the
// real UI description and AppDelegate, a loopback package server, the
// manual clock's first day, and a person's clicks sent through X.
#include "DesktopTest.h"
#include "WindowDump.h"
#include "../agent/AgentTestEnvironment.h"

#include "agent/AppDelegate.h"
#include "appkit/UIDescription.h"
#include "foundation/storage/UserDefaults.h"
#include "support/Waiting.h"

#include <sstream>
#include <sys/stat.h>

using namespace foundation;
using desktoptest::pumpUntil;
using desktoptest::runTool;

namespace {

const std::string announcement = "New Erlang version available: 26.1 (final)";

} // namespace

class AgentWindowTest : public AgentTest {
protected:
    AgentWindowTest()
    {
        installVersion("26.0\n");
        offerFeed("26.0", R"json({"stable": [{"canonical_version": "26.1", "version": "26.1 (final)", "path": "otp/26.1/x.dmg"}]})json");
        server.setReply("/site/zvk/otp/26.1/x.dmg", testsupport::CannedReply::withBody("disk image bytes"));
        installDiskImageTool();

        corvane::registerAgentClasses();
        Ref<Error> error;
        interface = appkit::UIDescription::load(AGENT_RESOURCES "/MainMenu.ui", error);
        EXPECT_TRUE(interface) << (error ? error->localizedDescription() : "");
        delegate = static_ref_cast<corvane::AppDelegate>(interface->objectWithIdentifier("appDelegate"));
        window = static_ref_cast<appkit::Window>(interface->objectWithIdentifier("window"));
        delegate->perform("applicationDidFinishLaunching:", nullptr);
    }

    // The first daily check, on the manual clock, until the window is drawn.
    void announce()
    {
        time.advance(86400);
        ASSERT_TRUE(desktop.waitUntilDrawn(*window)) << "the announcement window was not drawn";
    }

    GtkWidget* widget(const char* identifier)
    {
        return desktop.presenter->widgetForViewForTesting(*static_ref_cast<appkit::View>(interface->objectWithIdentifier(identifier)));
    }

    // A picture of the window's own pixels, alpha included.
    std::optional<desktoptest::WindowDump> screenshot()
    {
        std::string shot = (directory / "window.xwd").string();
        runTool("/usr/bin/xwd", {"-id", std::to_string(desktop.xid(*window)), "-silent", "-out", shot});
        return desktoptest::WindowDump::read(shot);
    }

    ProcessPlaces places{*this};
    desktoptest::DesktopSession desktop;
    Ref<appkit::UIDescription> interface;
    Ref<corvane::AppDelegate> delegate;
    Ref<appkit::Window> window;
};

TEST_F(AgentWindowTest, AnnouncementFloatsOnTheFirstDayWithTheExactMessage)
{
    GtkWidget* toplevel = desktop.presenter->toplevelForTesting(*window);
    EXPECT_TRUE(toplevel == nullptr || !gtk_widget_get_mapped(toplevel)) << "shown before the first daily check";
    announce();
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(widget("versionLabel"))), announcement.c_str());
    std::string state = runTool("/usr/bin/xprop", {"-id", std::to_string(desktop.xid(*window)), "_NET_WM_STATE", "_NET_WM_WINDOW_TYPE"});
    EXPECT_NE(state.find("_NET_WM_STATE_ABOVE"), std::string::npos) << state;
    EXPECT_NE(state.find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos) << state;
    EXPECT_NE(state.find("_NET_WM_WINDOW_TYPE_UTILITY"), std::string::npos) << state;
}

TEST_F(AgentWindowTest, ScreenshotShowsALightGreyRoundedRectangleWithClearCorners)
{
    announce();
    std::optional<desktoptest::WindowDump> shot = screenshot();
    ASSERT_TRUE(shot) << "xwd gave no 32-bit picture of the window";
    int width = shot->width();
    int height = shot->height();
    ASSERT_GT(width, 40);
    ASSERT_GT(height, 40);
    const desktoptest::Pixel clear{0, 0, 0, 0};
    const desktoptest::Pixel lightGrey{170, 170, 170, 255};  // white 2/3, opaque
    // Outside the radius-10 arcs the corners are clear ...
    for (auto [x, y] : {std::pair{0, 0}, {1, 1}, {2, 0}, {width - 1, 0}, {width - 2, 1}, {0, height - 1},
                        {1, height - 2}, {width - 1, height - 1}, {width - 2, height - 2}})
        EXPECT_EQ(shot->at(x, y), clear) << "corner pixel " << x << "," << y;
    // ... and the rounded rectangle fills the rest: the middle of each edge,
    // points just inside the arcs, and the margin around the views.
    for (auto [x, y] : {std::pair{width / 2, 0}, {0, height / 2}, {width - 1, height / 2}, {width / 2, height - 1},
                        {4, 4}, {width - 5, 4}, {4, height - 5}, {width - 5, height - 5}, {10, 1}, {1, 10}})
        EXPECT_EQ(shot->at(x, y), lightGrey) << "rectangle pixel " << x << "," << y;
}

TEST_F(AgentWindowTest, ClickingDownloadStartsTheDiskImageToolWithTheExactArguments)
{
    announce();
    desktop.click(widget("download"));
    ASSERT_TRUE(pumpUntil([&] { return std::filesystem::exists(directory / "hdiutil.args"); }))
        << "the disk-image tool was not started";
    EXPECT_EQ(testsupport::readFile(directory / "hdiutil.args"),
              "attach\n-autoopen\nfile://" + (directory / "tmp").string() + "/x.dmg\n");
    EXPECT_FALSE(window->isVisible());
}

TEST_F(AgentWindowTest, ClickingSkipStoresTheReleaseAndHidesTheWindow)
{
    announce();
    desktop.click(widget("skip"));
    ASSERT_TRUE(pumpUntil([&] { return !gtk_widget_get_mapped(desktop.presenter->toplevelForTesting(*window)); }));
    Ref<Object> skipped = UserDefaults::standardUserDefaults().valueForKey("skipVersion");
    ASSERT_TRUE(skipped && skipped->isString());
    EXPECT_EQ(skipped->description(), "26.1");
}

TEST_F(AgentWindowTest, ClickingRemindLaterOnlyHidesTheWindow)
{
    announce();
    desktop.click(widget("remind"));
    ASSERT_TRUE(pumpUntil([&] { return !gtk_widget_get_mapped(desktop.presenter->toplevelForTesting(*window)); }));
    EXPECT_FALSE(delegate->windowIsVisible());
    EXPECT_EQ(UserDefaults::standardUserDefaults().valueForKey("skipVersion"), nullptr);
}

TEST_F(AgentWindowTest, ClosingTheWindowAsAWindowManagerWouldCountsAsHidden)
{
    announce();
    // What a window manager sends for the close box.
    GdkEvent* event = gdk_event_new(GDK_DELETE);
    event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(desktop.presenter->toplevelForTesting(*window))));
    gtk_main_do_event(event);
    gdk_event_free(event);
    EXPECT_FALSE(delegate->windowIsVisible());
    ASSERT_TRUE(pumpUntil([&] { return !gtk_widget_get_mapped(desktop.presenter->toplevelForTesting(*window)); }));
    // Shown again by the next day's check: the same window, not a new one.
    GtkWidget* before = desktop.presenter->toplevelForTesting(*window);
    time.advance(86400);
    ASSERT_TRUE(desktop.waitUntilDrawn(*window));
    EXPECT_EQ(desktop.presenter->toplevelForTesting(*window), before);
}
