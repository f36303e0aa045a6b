#include "AgentTestEnvironment.h"

#include "agent/Updater.h"

#include "foundation/storage/JSONSerialization.h"
#include "foundation/objects/Number.h"
#include "foundation/storage/UserDefaults.h"
#include "foundation/system/Log.h"
#include "support/CapturedOutput.h"
#include "support/Waiting.h"

using namespace foundation;
using corvane::Updater;

namespace {

Ref<Dictionary> parseFeed(std::string_view json)
{
    Ref<Object> feed = JSONSerialization::JSONObjectWithData(*Data::create(json), JSONReadingOptions::AllowFragments, nullptr);
    return static_ref_cast<Dictionary>(feed);
}

const char* const offering261 =
    R"json({"stable": [{"canonical_version": "26.1", "version": "26.1 (latest)", "path": "a/b/x.dmg", "notes": "n"},
                   {"canonical_version": "25.0", "version": "25.0", "path": "old.dmg"}],
        "beta": [1, 2]})json";

} // namespace

class UpdaterTest : public AgentTest {
protected:
    Ref<Updater> makeUpdater()
    {
        return AgentTest::makeUpdater(window.get());
    }

    Ref<RecordingWindow> window = RecordingWindow::create();
};

TEST_F(UpdaterTest, FirstCheckComesOneFullDayAfterLaunchThenDaily)
{
    installVersion("26.0\n");
    Ref<Updater> updater = makeUpdater();
    EXPECT_EQ(window->visibilityQuestions, 0);
    time.advance(86399);
    EXPECT_EQ(window->visibilityQuestions, 0);
    time.advance(1);
    EXPECT_EQ(window->visibilityQuestions, 1);
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_EQ(server.requests()[0].target, feedPath("26.0"));
    EXPECT_EQ(server.requests()[0].method, "GET");
    time.advance(86400);
    EXPECT_EQ(window->visibilityQuestions, 2);
    ASSERT_TRUE(server.waitForRequests(2));
}

TEST_F(UpdaterTest, VisibleWindowStopsTheCheckBeforeAnyReadOrRequest)
{
    // No version file: a read would print an "Error: " line.
    window->visible = true;
    Ref<Updater> updater = makeUpdater();
    testsupport::CapturedOutput standardOutput(STDOUT_FILENO);
    time.advance(86400);
    EXPECT_EQ(standardOutput.stop(), "");
    EXPECT_EQ(window->visibilityQuestions, 1);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_FALSE(updater->canonical_version().has_value());
}

TEST_F(UpdaterTest, MissingVersionFileEndsTheCheckWithOneErrorLine)
{
    Ref<Updater> updater = makeUpdater();
    testsupport::CapturedOutput standardOutput(STDOUT_FILENO);
    time.advance(86400);
    std::string output = standardOutput.stop();
    EXPECT_EQ(output.rfind("Error: Optional(", 0), 0u) << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1);
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(UpdaterTest, NewReleaseIsAnnouncedWithItsDisplayVersion)
{
    installVersion("26.0");
    offerFeed("26.0", offering261);
    Ref<Updater> updater = makeUpdater();
    time.advance(86400);
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return !window->shown.empty(); }, 10));
    EXPECT_EQ(window->shown, std::vector<std::string>{"26.1 (latest)"});
    EXPECT_EQ(updater->canonical_version(), "26.1");
    EXPECT_EQ(updater->path(), "a/b/x.dmg");
}

TEST_F(UpdaterTest, DecisionComparesWholeStringsWithInstalledAndSkipped)
{
    Ref<Updater> updater = makeUpdater();
    struct Case {
        const char* installed;
        const char* skipped;
        bool announced;
    } cases[] = {
        {"26.1", nullptr, false},   // already installed
        {"26.0", "26.1", false},    // skipped by the user
        {"26.1.0", nullptr, true},  // differs by one component: announced
        {"27.0", "26.0", true},     // older than installed: still announced
        {"", nullptr, true},        // empty installed text is a value
    };
    for (const Case& c : cases) {
        window->shown.clear();
        updater->setPath(std::nullopt);
        UserDefaults::standardUserDefaults().setValue(c.skipped ? str(c.skipped).get() : nullptr, "skipVersion");
        updater->handleFeed(*parseFeed(offering261), c.installed);
        ASSERT_TRUE(testsupport::drainMainQueue());
        EXPECT_EQ(updater->canonical_version(), "26.1") << c.installed;
        EXPECT_EQ(window->shown.size(), c.announced ? 1u : 0u) << c.installed;
        EXPECT_EQ(updater->path().has_value(), c.announced) << c.installed;
    }
}

TEST_F(UpdaterTest, EmptyOrBrokenFeedsChangeNothing)
{
    Ref<Updater> updater = makeUpdater();
    // No "stable" array, an entry that is not an object of strings (also a
    // later one), a first entry without "canonical_version".
    for (const char* feed : {R"({"stable": []})", R"({"other": 1})", R"({"stable": "26.1"})",
                             R"({"stable": [{"canonical_version": 26}]})",
                             R"({"stable": [{"canonical_version": "26.1"}, "26.0"]})",
                             R"({"stable": [{"canonical_version": "26.1"}, {"canonical_version": "26.0", "size": 3}]})",
                             R"({"stable": [{"version": "26.1", "path": "x.dmg"}]})"}) {
        updater->handleFeed(*parseFeed(feed), "26.0");
        ASSERT_TRUE(testsupport::drainMainQueue());
        EXPECT_FALSE(updater->canonical_version().has_value()) << feed;
        EXPECT_TRUE(window->shown.empty()) << feed;
    }
}

TEST_F(UpdaterTest, AFirstEntryWithoutAVersionIsRecordedButNotAnnounced)
{
    Ref<Updater> updater = makeUpdater();
    updater->handleFeed(*parseFeed(R"json({"stable": [{"canonical_version": "26.1", "path": "x.dmg"}]})json"), "26.0");
    ASSERT_TRUE(testsupport::drainMainQueue());
    EXPECT_EQ(updater->canonical_version(), "26.1");
    EXPECT_FALSE(updater->path().has_value());
    EXPECT_TRUE(window->shown.empty());
}

TEST_F(UpdaterTest, FeedRequestCompletesOnlyForAJSONObjectWhateverTheStatus)
{
    Ref<Updater> updater = makeUpdater();
    struct Case {
        const char* version;
        testsupport::CannedReply reply;
        bool delivered;
    } cases[] = {
        {"ok", testsupport::CannedReply::withBody(offering261), true},
        {"notfound", testsupport::CannedReply::withBody(R"({"stable": []})", 404), true},
        {"garbage", testsupport::CannedReply::withBody("<html>not json</html>"), false},
        {"array", testsupport::CannedReply::withBody("[1, 2]"), false},
        {"hangup", testsupport::CannedReply::hangingUp(), false},
        {"errorpage", testsupport::CannedReply::withBody("<html><body>Internal Server Error</body></html>", 500), false},
        {"reset", testsupport::CannedReply::cutOff(offering261, 40, testsupport::CannedReply::Cut::Reset), false},
        {"slow", testsupport::CannedReply::trickling(offering261, std::chrono::milliseconds(1)), true},
        // A valid feed, but far larger than any real one: the transfer stops
        // at the session's in-memory limit (64 MiB) and fails unread.
        {"huge", testsupport::CannedReply::withBody(R"({"stable": [], "padding": ")" + std::string(64u << 20, 'x') + R"("})"), false},
    };
    for (Case& c : cases) {
        server.setReply(feedPath(c.version), c.reply);
        // Shared with the completion, which may outlive this iteration.
        struct Outcome {
            std::atomic<bool> called = false;
            std::atomic<bool> onMainThread = false;
        };
        auto outcome = std::make_shared<Outcome>();
        // Only the completion holds this: once it is gone, the request is
        // over and the completion has run if it ever will. A transport
        // failure ends quietly, so this is the only mark of its end.
        auto heldByTheCompletion = std::make_shared<int>();
        std::weak_ptr<int> requestInFlight = heldByTheCompletion;
        LogCaptureForTesting log;
        updater->availableVersion(c.version, [outcome, held = std::move(heldByTheCompletion)](Ref<Dictionary>) {
            outcome->onMainThread = RunLoop::isMainThread();
            outcome->called = true;
        });
        // The bound only ends a failing run: moving "huge" to the limit
        // takes seconds in a sanitized build on a busy machine.
        ASSERT_TRUE(testsupport::pollUntil([&] { return requestInFlight.expired(); }, 60)) << c.version;
        EXPECT_EQ(outcome->called.load(), c.delivered) << c.version;
        if (c.delivered) {
            EXPECT_FALSE(outcome->onMainThread) << c.version;
        } else if (!c.reply.closeWithoutReply && !c.reply.cutAfter && c.reply.body.size() < (64u << 20)) {
            ASSERT_TRUE(log.waitForMessages(1)) << c.version;  // the reply was handled
            EXPECT_NE(log.messages()[0].find("not a JSON object"), std::string::npos) << c.version;
        }
    }
}

TEST_F(UpdaterTest, FeedAddressAsksForTheAgentsWordSize)
{
    EXPECT_EQ(makeUpdater()->architecture(), FEED_WORD_SIZE);
}

TEST_F(UpdaterTest, FeedAddressIsBuiltWithoutEscaping)
{
    Ref<Updater> updater = makeUpdater();
    std::string packageServer = "http://127.0.0.1:" + std::to_string(server.port());
    EXPECT_EQ(updater->feedAddress("26.2.1"), packageServer + "/erlang/erlang/quorvel/general/26.2.1/" FEED_WORD_SIZE "/data.json");
    EXPECT_EQ(updater->feedAddress(""), packageServer + "/erlang/erlang/quorvel/general//" FEED_WORD_SIZE "/data.json");
    EXPECT_EQ(updater->feedAddress("a b"), packageServer + "/erlang/erlang/quorvel/general/a b/" FEED_WORD_SIZE "/data.json");
}

TEST_F(UpdaterTest, VersionThatIsNoURLStartsNoRequest)
{
    installVersion("26 beta");
    Ref<Updater> updater = makeUpdater();
    LogCaptureForTesting log;
    time.advance(86400);
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_NE(log.messages()[0].find("does not form a valid feed address"), std::string::npos);
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(UpdaterTest, SkipSettingRoundTripsAcrossARestartOfTheStore)
{
    Ref<Updater> updater = makeUpdater();
    EXPECT_EQ(updater->getSkipVersion(), std::nullopt);
    updater->setCanonical_version("26.1");
    updater->skipVersion();
    updater->setCanonical_version("26.2");
    updater->skipVersion();
    UserDefaults::resetStandardUserDefaults();
    EXPECT_EQ(updater->getSkipVersion(), "26.2");
    updater->setCanonical_version(std::nullopt);
    updater->skipVersion();
    UserDefaults::resetStandardUserDefaults();
    EXPECT_EQ(updater->getSkipVersion(), std::nullopt);
}

TEST_F(UpdaterTest, ASkipValueOfAnotherKindReadsAsNoneAndIsLeftAlone)
{
    Ref<Updater> updater = makeUpdater();
    UserDefaults::standardUserDefaults().setValue(Number::withDouble(26.1).get(), "skipVersion");
    EXPECT_EQ(updater->getSkipVersion(), std::nullopt);
    Ref<Object> stored = UserDefaults::standardUserDefaults().valueForKey("skipVersion");
    ASSERT_NE(stored, nullptr);
    EXPECT_TRUE(stored->isNumber());
}

TEST_F(UpdaterTest, CheckWithoutADelegateDoesNothing)
{
    Ref<Updater> updater = makeUpdater();
    window = nullptr;  // the only reference: the Updater holds it weakly
    testsupport::CapturedOutput standardOutput(STDOUT_FILENO);
    time.advance(86400);
    EXPECT_EQ(standardOutput.stop(), "");
    EXPECT_TRUE(server.requests().empty());
}
