#include "foundation/system/Bundle.h"
#include "foundation/system/Log.h"

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

using foundation::Bundle;
using foundation::Ref;

namespace {

std::string localized(const Bundle& bundle, std::string_view key, std::string_view value, std::string_view table = "")
{
    return std::string(bundle.localizedStringForKey(key, value, table)->utf8());
}

class BundleTest : public ::testing::Test {
protected:
    // A bundle laid out as on the platform, with a table for English and
    // one outside any language.
    Ref<Bundle> makeQuillonBundle()
    {
        directory.write("Quillon.bundle/Contents/Resources/en.lproj/Localizable.strings",
                        "\"PaneTitle\" = \"Your details\";\n\"DataUsage\" = \"<p>We keep it.</p>\";\n");
        directory.write("Quillon.bundle/Contents/Resources/Other.strings", "\"k\" = \"from other\";");
        return Bundle::bundleWithPath((directory / "Quillon.bundle").string());
    }

    testsupport::TemporaryDirectory directory;
    testsupport::ScopedEnvironment language{"LANGUAGE", "de"};
};

TEST_F(BundleTest, OneInstancePerDirectory)
{
    Ref<Bundle> bundle = makeQuillonBundle();
    ASSERT_TRUE(bundle);
    EXPECT_EQ(Bundle::bundleWithPath((directory / "Quillon.bundle/./").string()), bundle);
    EXPECT_FALSE(Bundle::bundleWithPath((directory / "missing").string()));
    EXPECT_FALSE(Bundle::bundleWithPath((directory / "Quillon.bundle/Contents/Resources/Other.strings").string()));
}

TEST_F(BundleTest, ResourcesAreFoundInTheResourcesFolder)
{
    Ref<Bundle> bundle = makeQuillonBundle();
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->resourcePath(), (directory / "Quillon.bundle/Contents/Resources").string());
    EXPECT_EQ(bundle->pathForResource("Other", "strings"), (directory / "Quillon.bundle/Contents/Resources/Other.strings").string());
    EXPECT_EQ(bundle->pathForResource("y", "txt"), std::nullopt);
}

TEST_F(BundleTest, LocalizedStringsWithThePlatformsFallbacks)
{
    Ref<Bundle> bundle = makeQuillonBundle();
    ASSERT_TRUE(bundle);
    EXPECT_EQ(localized(*bundle, "PaneTitle", ""), "Your details");
    EXPECT_EQ(localized(*bundle, "DataUsage", "unknown"), "<p>We keep it.</p>");
    EXPECT_EQ(localized(*bundle, "OtpVsn", "unknown"), "unknown");  // missing key: the value
    EXPECT_EQ(localized(*bundle, "OtpVsn", ""), "OtpVsn");          // ... or the key
    EXPECT_EQ(localized(*bundle, "k", "", "Other"), "from other");
    EXPECT_EQ(localized(*bundle, "k", "", "NoSuchTable"), "k");     // missing table
}

TEST_F(BundleTest, TheUsersLanguageComesFirst)
{
    directory.write("B/Resources/en.lproj/Localizable.strings", "\"hello\" = \"Hello\"; \"only\" = \"english\";");
    directory.write("B/Resources/de.lproj/Localizable.strings", "\"hello\" = \"Hallo\";");
    Ref<Bundle> bundle = Bundle::bundleWithPath((directory / "B").string());
    EXPECT_EQ(localized(*bundle, "hello", ""), "Hallo");
    EXPECT_EQ(localized(*bundle, "only", ""), "only");  // one table only, as the platform does
    EXPECT_EQ(bundle->pathForResource("Localizable", "strings"),
              (directory / "B/Resources/de.lproj/Localizable.strings").string());
}

TEST_F(BundleTest, ALanguageThatIsAPathLeavesTheBundleAlone)
{
    // An absolute path in the environment would otherwise name a folder
    // outside the bundle, such as one in the shared /tmp.
    directory.write("B/Resources/en.lproj/Localizable.strings", "\"hello\" = \"Hello\";");
    directory.write("elsewhere.lproj/Localizable.strings", "\"hello\" = \"planted\";");
    testsupport::ScopedEnvironment pathAsLanguage{"LANGUAGE", (directory / "elsewhere").string()};
    Ref<Bundle> bundle = Bundle::bundleWithPath((directory / "B").string());
    EXPECT_EQ(localized(*bundle, "hello", ""), "Hello");
}

TEST_F(BundleTest, ABadTableIsReportedOnceAndActsAsMissing)
{
    directory.write("Flat/Localizable.strings", "\"PaneTitle\" = \"unterminated;\n");
    Ref<Bundle> bundle = Bundle::bundleWithPath((directory / "Flat").string());
    foundation::LogCaptureForTesting log;
    EXPECT_EQ(localized(*bundle, "PaneTitle", ""), "PaneTitle");
    EXPECT_EQ(localized(*bundle, "OtpVsn", "unknown"), "unknown");
    std::vector<std::string> messages = log.messages();
    ASSERT_EQ(messages.size(), 1u);
    std::string report = messages[0];
    EXPECT_EQ(report.find('\n'), std::string::npos) << report;
    EXPECT_NE(report.find("Localizable.strings"), std::string::npos) << report;
    EXPECT_NE(report.find("never closed"), std::string::npos) << report;
}

TEST(BundleOfCode, TheTestProgramsBundleIsItsDirectory)
{
    Ref<Bundle> main = Bundle::mainBundle();
    ASSERT_TRUE(main);
    EXPECT_EQ(Bundle::bundleForAddress(reinterpret_cast<const void*>(&localized)), main);
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(main->bundlePath()) / "foundation_tests"));
}

} // namespace
