// Signatures made by the real minisign program, checked as the agent checks
// the vendor's files.
#include "agent/FeedSignature.h"
#include "agent/FeedTimestamps.h"
#include "agent/SignatureCheck.h"

#include "foundation/storage/UserDefaults.h"
#include "support/ChildProcess.h"
#include "support/Minisign.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

using namespace corvane;
using testsupport::MinisignKey;

namespace {

std::string noRefusal = "accepted";

std::string verdict(std::optional<std::string> refusal)
{
    return refusal.value_or(noRefusal);
}

SignatureFile read(const std::string& text)
{
    auto result = parseSignatureFile(text);
    EXPECT_TRUE(std::holds_alternative<SignatureFile>(result));
    return std::holds_alternative<SignatureFile>(result) ? std::get<SignatureFile>(result) : SignatureFile{};
}

} // namespace

class SignatureCheck : public ::testing::Test {
protected:
    PublicKey publicKey() const { return *parsePublicKey(vendor.publicKeyLine()); }

    std::string contentVerdict(const std::string& signature, std::string_view name, std::string_view content) const
    {
        return verdict(refusalOfContent(publicKey(), read(signature), name, content));
    }
    std::string fileVerdict(const std::string& signature, std::string_view name, const std::filesystem::path& file) const
    {
        return verdict(refusalOfFile(publicKey(), read(signature), name, file.string()));
    }

    testsupport::TemporaryDirectory directory;
    MinisignKey vendor{directory.path()};
};

TEST_F(SignatureCheck, BothAlgorithmsVerifyContentAndFiles)
{
    std::filesystem::path image = directory.write("x.dmg", std::string(200000, 'i') + "disk image");
    for (bool legacy : {false, true}) {
        std::string signature = vendor.sign(image, legacy ? MinisignKey::Form::Legacy : MinisignKey::Form::Prehashed);
        EXPECT_EQ(read(signature).prehashed, !legacy);
        EXPECT_EQ(contentVerdict(signature, "x.dmg", testsupport::readFile(image)), noRefusal) << legacy;
        EXPECT_EQ(fileVerdict(signature, "x.dmg", image), noRefusal) << legacy;
    }
}

TEST_F(SignatureCheck, AFileChangedAfterSigningIsRefused)
{
    std::filesystem::path image = directory.write("x.dmg", "disk image");
    for (bool legacy : {false, true}) {
        std::string signature = vendor.sign(image, legacy ? MinisignKey::Form::Legacy : MinisignKey::Form::Prehashed);
        EXPECT_EQ(contentVerdict(signature, "x.dmg", "disk imagf"), "it was changed after signing (it does not match its signature)");
        directory.write("changed.dmg", "disk image ");
        EXPECT_EQ(fileVerdict(signature, "x.dmg", directory / "changed.dmg"),
                  "it was changed after signing (it does not match its signature)");
    }
}

TEST_F(SignatureCheck, AnotherKeyIsToldByItsId)
{
    std::filesystem::path feed = directory.write("data.json", "{}");
    MinisignKey other(directory.path(), "other");
    EXPECT_EQ(contentVerdict(other.sign(feed), "data.json", "{}"),
              "it is signed by another key (key id " + other.keyIdText() + ", not " + vendor.keyIdText() + ")");
}

TEST_F(SignatureCheck, AKeyThatDiffersInOneByteVerifiesNothing)
{
    std::filesystem::path feed = directory.write("data.json", "{}");
    SignatureFile signature = read(vendor.sign(feed));
    for (std::size_t byte : {0u, 17u, 31u}) {
        PublicKey key = publicKey();
        key.key[byte] ^= 0x01;
        EXPECT_EQ(verdict(refusalOfContent(key, signature, "data.json", "{}")),
                  "its signature is bad (the trusted comment does not verify)") << byte;
    }
}

TEST_F(SignatureCheck, AlteredSignatureOrCommentIsABadSignature)
{
    std::filesystem::path feed = directory.write("data.json", "{}");
    SignatureFile signature = read(vendor.sign(feed));
    SignatureFile flipped = signature;
    flipped.signature[40] ^= 0x80;
    EXPECT_EQ(verdict(refusalOfContent(publicKey(), flipped, "data.json", "{}")),
              "its signature is bad (the trusted comment does not verify)");
    SignatureFile renamed = signature;
    renamed.trustedComment.replace(renamed.trustedComment.find("data.json"), 9, "x.dmg");
    EXPECT_EQ(verdict(refusalOfContent(publicKey(), renamed, "x.dmg", "{}")),
              "its signature is bad (the trusted comment does not verify)");
    SignatureFile flippedGlobal = signature;
    flippedGlobal.globalSignature[0] ^= 0x01;
    EXPECT_EQ(verdict(refusalOfContent(publicKey(), flippedGlobal, "data.json", "{}")),
              "its signature is bad (the trusted comment does not verify)");
}

TEST_F(SignatureCheck, AValidlySignedFileUnderAnotherNameIsRefused)
{
    std::filesystem::path old = directory.write("erlang-25.0.dmg", "old image");
    EXPECT_EQ(contentVerdict(vendor.sign(old), "erlang-26.1.dmg", "old image"),
              "its signature is for \"erlang-25.0.dmg\", not \"erlang-26.1.dmg\"");
    EXPECT_EQ(contentVerdict(vendor.signWithComment(old, "timestamp:5"), "erlang-25.0.dmg", "old image"),
              "its signature names no file");
}

TEST_F(SignatureCheck, AnUnreadableFileIsRefusedWithTheReason)
{
    std::string signature = vendor.sign(directory.write("x.dmg", "image"));
    EXPECT_EQ(fileVerdict(signature, "x.dmg", directory / "gone.dmg"), "it could not be read (No such file or directory)");
}

TEST_F(SignatureCheck, WhatTheVendorsSigningScriptWritesIsAccepted)
{
    std::filesystem::path feed = directory.write("data.json", "{}");
    std::filesystem::path image = directory.write("erlang-26.1.dmg", "image");
    testsupport::ChildProcess script(SIGN_RELEASE, {vendor.secretKeyFile().string(), feed.string(), image.string()}, {});
    int status = script.waitForExit(60);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << script.error();
    SignatureFile feedSignature = read(testsupport::readFile(feed.string() + ".minisig"));
    EXPECT_EQ(verdict(refusalOfFile(publicKey(), feedSignature, "data.json", feed.string())), noRefusal);
    EXPECT_TRUE(signingTime(feedSignature));
    EXPECT_EQ(fileVerdict(testsupport::readFile(image.string() + ".minisig"), "erlang-26.1.dmg", image), noRefusal);
}

// The feed's signing time against the newest one accepted for its address
// (kept in the defaults of a configuration directory of the test's own),
// and against the build's maximum age.
class FeedSignatureCheck : public SignatureCheck {
protected:
    FeedSignatureCheck() { foundation::UserDefaults::resetStandardUserDefaults(); }
    ~FeedSignatureCheck() override { foundation::UserDefaults::resetStandardUserDefaults(); }

    // The feed "{}" signed at `timestamp`.
    SignatureFile feedSignedAt(long long timestamp) const
    {
        std::filesystem::path feed = directory.write("data.json", "{}");
        return read(vendor.signWithComment(feed, "timestamp:" + std::to_string(timestamp) + "\tfile:data.json\thashed"));
    }
    std::string feedVerdict(const SignatureFile& signature, std::uint64_t now = 2000000000,
                            std::optional<long> maximumAgeDays = std::nullopt) const
    {
        UpdateTrust trust{publicKey(), maximumAgeDays};
        return verdict(refusalOfFeed(trust, address, signature, "{}", now));
    }

    const std::string address = "http://packages.example/erlang/erlang/quorvel/general/26.0/64/data.json";

private:
    testsupport::ScopedEnvironment config_{"XDG_CONFIG_HOME", (directory / "config").string()};
};

TEST_F(FeedSignatureCheck, AnOlderFeedThanTheOneAcceptedIsAReplay)
{
    EXPECT_EQ(feedVerdict(feedSignedAt(1000)), noRefusal);
    rememberFeedTimestamp(address, 1000);
    EXPECT_EQ(feedVerdict(feedSignedAt(1000)), noRefusal);  // the same feed, fetched again
    EXPECT_EQ(feedVerdict(feedSignedAt(1001)), noRefusal);
    EXPECT_EQ(feedVerdict(feedSignedAt(999)),
              "it was signed at 999, before the feed accepted last (signed at 1000): an older feed replayed");
}

TEST_F(FeedSignatureCheck, TheAcceptedTimeIsKeptPerAddressAndOnlyEverRises)
{
    rememberFeedTimestamp(address, 1000);
    rememberFeedTimestamp(address, 900);
    rememberFeedTimestamp("http://packages.example/other/data.json", 5);
    EXPECT_EQ(acceptedFeedTimestamp(address), 1000u);
    EXPECT_EQ(acceptedFeedTimestamp("http://packages.example/other/data.json"), 5u);
    EXPECT_EQ(acceptedFeedTimestamp("http://packages.example/unknown/data.json"), std::nullopt);
}

TEST_F(FeedSignatureCheck, TheAcceptedTimeSurvivesARestart)
{
    rememberFeedTimestamp(address, 1000);
    foundation::UserDefaults::resetStandardUserDefaults();  // read from disk again, as a new process would
    EXPECT_EQ(acceptedFeedTimestamp(address), 1000u);
    EXPECT_EQ(feedVerdict(feedSignedAt(999)),
              "it was signed at 999, before the feed accepted last (signed at 1000): an older feed replayed");
}

TEST_F(FeedSignatureCheck, AFeedOlderThanTheMaximumAgeIsRefused)
{
    const std::uint64_t now = 2000000000;
    const long twoDays = 2 * 86400;
    EXPECT_EQ(feedVerdict(feedSignedAt(now - twoDays), now, 2), noRefusal);  // exactly two days old
    EXPECT_EQ(feedVerdict(feedSignedAt(now - twoDays - 1), now, 2),
              "it was signed 2 days ago, longer than the 2 days a feed may be old");
    EXPECT_EQ(feedVerdict(feedSignedAt(now - 400 * 86400), now, 2),
              "it was signed 400 days ago, longer than the 2 days a feed may be old");
    EXPECT_EQ(feedVerdict(feedSignedAt(now - 400 * 86400), now), noRefusal);  // no maximum
    EXPECT_EQ(feedVerdict(feedSignedAt(now + 60), now, 2), noRefusal);         // a vendor's clock a minute ahead
}

TEST_F(FeedSignatureCheck, AFeedMustCarryItsSigningTimeAndItsName)
{
    std::filesystem::path feed = directory.write("data.json", "{}");
    EXPECT_EQ(feedVerdict(read(vendor.signWithComment(feed, "file:data.json"))),
              "its signature carries no signing time");
    std::filesystem::path image = directory.write("x.dmg", "{}");  // the same bytes under an image's name
    EXPECT_EQ(feedVerdict(read(vendor.sign(image))), "its signature is for \"x.dmg\", not \"data.json\"");
}
