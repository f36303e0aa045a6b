// The Updater built with the vendor's key, against a loopback package server
// that serves what the real minisign program signed, and what an attacker
// on the network path might serve instead.
#include "AgentTestEnvironment.h"

#include "agent/FeedTimestamps.h"
#include "agent/Updater.h"

#include "support/CapturedOutput.h"
#include "support/Minisign.h"
#include "support/Waiting.h"

#include <unistd.h>

using namespace foundation;
using corvane::Updater;
using testsupport::CannedReply;
using testsupport::MinisignKey;

namespace {

const std::string feed261 = R"json({"stable": [{"canonical_version": "26.1", "version": "26.1", "path": "otp/x.dmg"}]})json";
const std::string imagePath = "/site/zvk/otp/x.dmg";

} // namespace

class SignedUpdateTest : public AgentTest {
protected:
    SignedUpdateTest()
    {
        installVersion("26.0\n");
        installDiskImageTool();
    }

    corvane::UpdateTrust trust(std::optional<long> maximumFeedAgeDays = std::nullopt) const
    {
        return {corvane::parsePublicKey(vendor.publicKeyLine()), maximumFeedAgeDays};
    }

    // Serves `content` at `serverPath` and, beside it, `signature` of the
    // file `name` holding that content (by default the vendor's own).
    using Signer = std::function<std::string(const std::filesystem::path&)>;
    void publish(const std::string& serverPath, const std::string& name, const std::string& content, const Signer& signer)
    {
        std::filesystem::path file = directory.write("signed/" + name, content);
        server.setReply(serverPath, CannedReply::withBody(content));
        server.setReply(serverPath + ".minisig", CannedReply::withBody(signer(file)));
    }
    void publish(const std::string& serverPath, const std::string& name, const std::string& content)
    {
        publish(serverPath, name, content, [&](const std::filesystem::path& file) { return vendor.sign(file); });
    }
    void publishFeed(const std::string& content = feed261) { publish(feedPath("26.0"), "data.json", content); }
    void publishImage(const std::string& content = "disk image") { publish(imagePath, "x.dmg", content); }

    std::string feedAddress() const { return paths.packageServer + feedPath("26.0"); }
    std::string imageAddress() const { return paths.packageServer + imagePath; }

    // One check, until its Error line: answers it.
    std::string refusedCheck(Updater& updater)
    {
        testsupport::CapturedOutput standardOutput(STDOUT_FILENO);
        updater.updateErlangIfNeeded();
        EXPECT_TRUE(standardOutput.waitForLines(1));
        EXPECT_TRUE(testsupport::drainMainQueue());
        return standardOutput.stop();
    }
    // One check, until the window shows what it announced.
    void announcingCheck(Updater& updater)
    {
        updater.updateErlangIfNeeded();
        ASSERT_TRUE(RunLoop::main().runUntil([&] { return !window->shown.empty(); }, 10));
    }
    // The download of the announced release; answers its one line.
    std::string download(Updater& updater)
    {
        updater.setPath("otp/x.dmg");
        testsupport::CapturedOutput standardOutput(STDOUT_FILENO);
        updater.downloadAndRunNewVersion();
        EXPECT_TRUE(standardOutput.waitForLines(1));
        return standardOutput.stop();
    }

    MinisignKey vendor{directory.path()};
    Ref<RecordingWindow> window = RecordingWindow::create();
};

TEST_F(SignedUpdateTest, ASignedFeedAndImageGoThroughInEitherForm)
{
    for (auto form : {MinisignKey::Form::Prehashed, MinisignKey::Form::Legacy}) {
        auto signer = [&](const std::filesystem::path& file) { return vendor.sign(file, form); };
        publish(feedPath("26.0"), "data.json", feed261, signer);
        publish(imagePath, "x.dmg", "disk image", signer);
        window->shown.clear();
        std::filesystem::remove_all(directory / "tmp" / "x.dmg");
        std::filesystem::remove(toolArguments());
        Ref<Updater> updater = makeUpdater(window.get(), trust());

        announcingCheck(*updater);
        EXPECT_EQ(window->shown, std::vector<std::string>{"26.1"});
        EXPECT_EQ(download(*updater), "nil\n");
        EXPECT_EQ(toolArgumentsWhenStarted(), "attach\n-autoopen\nfile://" + (directory / "tmp").string() + "/x.dmg\n");
        EXPECT_EQ(testsupport::readFile(directory / "tmp" / "x.dmg"), "disk image");
        window->visible = false;
    }
}

TEST_F(SignedUpdateTest, EachRefusedFeedIsOneLineAndChangesNothing)
{
    MinisignKey other(directory.path(), "other");
    const std::string refused = "Error: the release feed " + feedAddress() + " was refused: ";
    auto signatureWith = [&](auto&& change) {
        return [&, change](const std::filesystem::path& file) {
            std::string text = vendor.sign(file);
            change(text);
            return text;
        };
    };
    auto line = [](const std::string& text, int number) {
        std::size_t start = 0;
        for (int i = 0; i < number; ++i)
            start = text.find('\n', start) + 1;
        return std::pair(start, text.find('\n', start) - start);
    };
    struct Case {
        const char* attack;
        std::function<void()> serve;
        std::string reason;
    } cases[] = {
        {"no signature", [&] { server.setReply(feedPath("26.0"), CannedReply::withBody(feed261));
                               server.setReply(feedPath("26.0") + ".minisig", CannedReply::withBody("not here", 404)); },
         "there is no signature file (the server answered 404)"},
        {"another key", [&] { publish(feedPath("26.0"), "data.json", feed261, [&](auto& file) { return other.sign(file); }); },
         "it is signed by another key (key id " + other.keyIdText() + ", not " + vendor.keyIdText() + ")"},
        {"bad signature", [&] { publish(feedPath("26.0"), "data.json", feed261, signatureWith([&](std::string& text) {
                                    auto [start, length] = line(text, 1);
                                    text[start + 20] = text[start + 20] == 'A' ? 'B' : 'A';
                                })); },
         "its signature is bad (the trusted comment does not verify)"},
        {"changed after signing", [&] { publishFeed();
                                        server.setReply(feedPath("26.0"), CannedReply::withBody(
                                            R"json({"stable": [{"canonical_version": "26.1", "version": "26.1", "path": "evil.dmg"}]})json")); },
         "it was changed after signing (it does not match its signature)"},
        {"signed under another name", [&] { publish(feedPath("26.0"), "feed.json", feed261); },
         "its signature is for \"feed.json\", not \"data.json\""},
        {"1 MiB signature", [&] { server.setReply(feedPath("26.0"), CannedReply::withBody(feed261));
                                  server.setReply(feedPath("26.0") + ".minisig", CannedReply::withBody(std::string(1 << 20, 'A'))); },
         "the signature file is longer than 2048 bytes"},
        {"truncated signature", [&] { publish(feedPath("26.0"), "data.json", feed261, signatureWith([&](std::string& text) {
                                          text.resize(line(text, 2).first);
                                      })); },
         "the signature file does not have the four lines of a minisign signature"},
        {"garbled signature", [&] { publish(feedPath("26.0"), "data.json", feed261, signatureWith([&](std::string& text) {
                                        text[line(text, 1).first + 3] = '#';
                                    })); },
         "the signature file's signature line is not 74 bytes of base64"},
    };
    Ref<Updater> updater = makeUpdater(window.get(), trust());
    for (Case& c : cases) {
        c.serve();
        EXPECT_EQ(refusedCheck(*updater), refused + c.reason + "\n") << c.attack;
        EXPECT_TRUE(window->shown.empty()) << c.attack;
        EXPECT_EQ(updater->canonical_version(), std::nullopt) << c.attack;
        EXPECT_EQ(corvane::acceptedFeedTimestamp(feedAddress()), std::nullopt) << c.attack;
    }
}

TEST_F(SignedUpdateTest, AnOlderFeedReplayedAfterANewerOneIsRefused)
{
    long long now = testsupport::secondsSince1970();
    auto signedAt = [&](long long time) {
        return [&, time](const std::filesystem::path& file) {
            return vendor.signWithComment(file, "timestamp:" + std::to_string(time) + "\tfile:data.json\thashed");
        };
    };
    Ref<Updater> updater = makeUpdater(window.get(), trust());
    publish(feedPath("26.0"), "data.json", feed261, signedAt(now - 60));
    announcingCheck(*updater);
    window->visible = false;

    // Last month's feed, which offered an older release, served again.
    publish(feedPath("26.0"), "data.json",
            R"json({"stable": [{"canonical_version": "26.0.5", "version": "26.0.5", "path": "otp/old.dmg"}]})json",
            signedAt(now - 30 * 86400));
    EXPECT_EQ(refusedCheck(*updater), "Error: the release feed " + feedAddress() + " was refused: it was signed at "
                                          + std::to_string(now - 30 * 86400) + ", before the feed accepted last (signed at "
                                          + std::to_string(now - 60) + "): an older feed replayed\n");
    EXPECT_EQ(updater->canonical_version(), "26.1");
    EXPECT_EQ(window->shown, std::vector<std::string>{"26.1"});
}

TEST_F(SignedUpdateTest, AFeedOlderThanTheBuildsMaximumAgeIsRefused)
{
    long long threeDaysAgo = testsupport::secondsSince1970() - 3 * 86400 - 60;
    publish(feedPath("26.0"), "data.json", feed261, [&](const std::filesystem::path& file) {
        return vendor.signWithComment(file, "timestamp:" + std::to_string(threeDaysAgo) + "\tfile:data.json\thashed");
    });
    Ref<Updater> updater = makeUpdater(window.get(), trust(2));
    EXPECT_EQ(refusedCheck(*updater), "Error: the release feed " + feedAddress()
                                          + " was refused: it was signed 3 days ago, longer than the 2 days a feed may be old\n");
    EXPECT_TRUE(window->shown.empty());
}

TEST_F(SignedUpdateTest, EachRefusedImageIsOneLineAndNeitherKeptNorOpened)
{
    MinisignKey other(directory.path(), "other");
    struct Case {
        const char* attack;
        std::function<void()> serve;
        std::string line;
    } cases[] = {
        {"no signature", [&] { server.setReply(imagePath, CannedReply::withBody("disk image")); },
         "Error: the disk image " + imageAddress() + " was refused: there is no signature file (the server answered 404)"},
        {"another key", [&] { publish(imagePath, "x.dmg", "evil image", [&](auto& file) { return other.sign(file); }); },
         "Error: the downloaded disk image x.dmg was refused: it is signed by another key (key id " + other.keyIdText()
             + ", not " + vendor.keyIdText() + ")"},
        {"changed after signing", [&] { publishImage();
                                        server.setReply(imagePath, CannedReply::withBody("evil image")); },
         "Error: the downloaded disk image x.dmg was refused: it was changed after signing (it does not match its signature)"},
        {"an old image under the new name", [&] { publish(imagePath, "erlang-25.0.dmg", "old image with a known hole"); },
         "Error: the downloaded disk image x.dmg was refused: its signature is for \"erlang-25.0.dmg\", not \"x.dmg\""},
    };
    Ref<Updater> updater = makeUpdater(window.get(), trust());
    for (Case& c : cases) {
        server.setReply(imagePath + ".minisig", CannedReply::withBody("", 404));
        c.serve();
        EXPECT_EQ(download(*updater), c.line + "\n") << c.attack;
        EXPECT_FALSE(std::filesystem::exists(toolArguments())) << c.attack;
        EXPECT_TRUE(std::filesystem::is_empty(directory / "tmp")) << c.attack;
    }
}

TEST_F(SignedUpdateTest, AnImageAlreadyThereIsOpenedOnlyIfItVerifiesNow)
{
    Ref<Updater> updater = makeUpdater(window.get(), trust());
    publishImage();
    // An earlier, complete download of the same release.
    directory.write("tmp/x.dmg", "disk image");
    std::string line = download(*updater);
    EXPECT_NE(line, "nil\n");  // the move's error: the name is taken
    EXPECT_EQ(toolArgumentsWhenStarted(), "attach\n-autoopen\nfile://" + (directory / "tmp").string() + "/x.dmg\n");

    // Something else left under the name: kept, but not opened.
    std::filesystem::remove(toolArguments());
    directory.write("tmp/x.dmg", "a half download");
    testsupport::CapturedOutput standardOutput(STDOUT_FILENO);
    updater->setPath("otp/x.dmg");
    updater->downloadAndRunNewVersion();
    ASSERT_TRUE(standardOutput.waitForLines(2));
    std::string lines = standardOutput.stop();
    std::string existing = (directory / "tmp" / "x.dmg").string();
    EXPECT_NE(lines.find("\nError: the disk image already at " + existing
                         + " was refused: it was changed after signing (it does not match its signature)\n"),
              std::string::npos) << lines;
    EXPECT_FALSE(std::filesystem::exists(toolArguments()));
    EXPECT_EQ(testsupport::readFile(existing), "a half download");
}
