#include "AgentTestEnvironment.h"

#include "agent/AppDelegate.h"
#include "agent/Classes/ASView.h"

#include "appkit/Application.h"
#include "appkit/CGColor.h"
#include "appkit/UIDescription.h"
#include "foundation/objects/Number.h"
#include "support/CapturedOutput.h"
#include "support/Waiting.h"

using namespace foundation;
using corvane::AppDelegate;

namespace {

// The agent's window as its UI description lays it out, but marked visible
// at launch: the launch must hide it all the same.
const char* const description = R"({
  "objects": [
    { "class": "AppDelegate", "id": "appDelegate" },
    { "class": "Window", "id": "window", "visibleAtLaunch": true,
      "contentView": { "class": "ASView", "id": "background", "subviews": [
        { "class": "TextField", "id": "label" },
        { "class": "Button", "id": "download", "title": "Download", "keyEquivalent": "d" },
        { "class": "Button", "id": "skip", "title": "Skip This Version", "keyEquivalent": "s" },
        { "class": "Button", "id": "remind", "title": "Remind Me Later", "keyEquivalent": "r" } ] } }
  ],
  "outlets": { "appDelegate.window": "window", "appDelegate.versionLabel": "label" },
  "actions": { "download": "appDelegate.downloadButtonTapped:", "skip": "appDelegate.skipVersionButtonTapped:",
               "remind": "appDelegate.remindLaterTapped:" }
})";

} // namespace

class AppDelegateTest : public AgentTest {
protected:
    AppDelegateTest()
    {
        corvane::registerAgentClasses();
        Ref<Error> error;
        interface = appkit::UIDescription::load(directory.write("MainMenu.ui", description).string(), error);
        EXPECT_NE(interface, nullptr) << (error ? error->description() : "");
        delegate = static_ref_cast<AppDelegate>(interface->objectWithIdentifier("appDelegate"));
        window = static_ref_cast<appkit::Window>(interface->objectWithIdentifier("window"));
    }

    void launch() { delegate->perform("applicationDidFinishLaunching:", nullptr); }
    void press(const char* button) { interface->objectWithIdentifier(button)->perform("performClick:", nullptr); }
    std::string label() const { return std::string(delegate->versionLabel()->stringValue().utf8()); }

    Ref<appkit::UIDescription> interface;
    Ref<AppDelegate> delegate;
    Ref<appkit::Window> window;

private:
    ProcessPlaces places_{*this};
};

TEST_F(AppDelegateTest, LaunchHidesTheWindow)
{
    EXPECT_TRUE(window->isVisible());  // as the description asked
    launch();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(delegate->perform("windowIsVisible").get(), Number::falseValue());
}

TEST_F(AppDelegateTest, LaunchMakesTheUpdaterButChecksNothingYet)
{
    EXPECT_EQ(delegate->updater(), nullptr);
    launch();
    ASSERT_NE(delegate->updater(), nullptr);
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(AppDelegateTest, LaunchGivesTheWindowItsFloatingClearLook)
{
    launch();
    EXPECT_EQ(window->level(), 3);  // the floating level
    EXPECT_EQ(window->backgroundColor().alphaComponent(), 0.0);
    EXPECT_FALSE(window->isOpaque());

    auto* background = dynamic_cast<corvane::ASView*>(window->contentView());
    ASSERT_NE(background, nullptr);
    ASSERT_NE(background->layer(), nullptr);
    EXPECT_EQ(background->layer()->cornerRadius(), 10.0);
    EXPECT_EQ(background->layer()->backgroundColor(), (appkit::CGColor{2.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0, 1}));  // light gray
    EXPECT_EQ(background->layer()->borderWidth(), 0.0);
}

TEST_F(AppDelegateTest, ShowWindowSetsTheExactMessageAndShows)
{
    launch();
    delegate->showWindow("17.4");
    EXPECT_EQ(label(), "New Erlang version available: 17.4");
    EXPECT_TRUE(delegate->windowIsVisible());
    delegate->perform("showWindow:", str("").get());
    EXPECT_EQ(label(), "New Erlang version available: ");
    EXPECT_TRUE(window->isVisible());
}

TEST_F(AppDelegateTest, HidingTwiceLeavesTheWindowHidden)
{
    launch();
    delegate->showWindow("17.4");
    delegate->hideWindow();
    delegate->hideWindow();
    EXPECT_FALSE(delegate->windowIsVisible());
}

TEST_F(AppDelegateTest, ClosingTheWindowCountsAsHiddenAndRecordsNothing)
{
    launch();
    delegate->showWindow("26.1");
    window->close();
    EXPECT_FALSE(delegate->windowIsVisible());
    EXPECT_EQ(UserDefaults::standardUserDefaults().valueForKey("skipVersion"), nullptr);
}

TEST_F(AppDelegateTest, RemindLaterOnlyHides)
{
    launch();
    delegate->updater()->setCanonical_version("26.1");
    delegate->showWindow("26.1");
    press("remind");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(UserDefaults::standardUserDefaults().valueForKey("skipVersion"), nullptr);
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(AppDelegateTest, SkipRecordsTheCanonicalVersionThenHides)
{
    launch();
    delegate->updater()->setCanonical_version("26.1");
    delegate->showWindow("26.1 (latest)");
    press("skip");
    EXPECT_FALSE(window->isVisible());
    UserDefaults::resetStandardUserDefaults();  // it reached the disk
    EXPECT_EQ(delegate->updater()->getSkipVersion(), "26.1");
}

TEST_F(AppDelegateTest, DownloadHidesTheWindowBeforeTheRequestStarts)
{
    installDiskImageTool();
    launch();
    delegate->updater()->setPath("otp/x.dmg");
    delegate->showWindow("26.1");
    testsupport::CapturedOutput standardOutput(STDOUT_FILENO);
    press("download");
    EXPECT_FALSE(window->isVisible());
    ASSERT_TRUE(server.waitForRequests(1, std::chrono::seconds(10)));
    EXPECT_EQ(server.requests()[0].target, "/site/zvk/otp/x.dmg");
    // The download is over, its line written and the tool started, before
    // the stand-in paths go.
    EXPECT_TRUE(standardOutput.waitForLines(1));
    EXPECT_FALSE(toolArgumentsWhenStarted().empty());
}

TEST_F(AppDelegateTest, AnnouncementAfterADayReachesTheWindow)
{
    installVersion("26.0\n");
    offerFeed("26.0", R"json({"stable": [{"canonical_version": "26.1", "version": "26.1", "path": "x.dmg"}]})json");
    launch();
    time.advance(86400);
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return window->isVisible(); }, 10));
    EXPECT_EQ(label(), "New Erlang version available: 26.1");
}
