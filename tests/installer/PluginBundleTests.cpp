#include "installer/PluginBundle.h"

#include "appkit/ClassRegistry.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <exception>
#include <filesystem>

using installer::PaneSequence;
using installer::PluginBundle;

namespace {

// A pane class of the test program's own, registered as a plug-in's
// library registers its classes when it is loaded.
[[maybe_unused]] const bool registered = [] {
    appkit::ClassRegistry::registerClass("BundleTestPane",
                                         appkit::ClassRegistry::PlainMaker([] { return installer::InstallerPane::create(); }));
    return true;
}();

// The shared library of the C++ runtime, already loaded into the tests:
// standing in for a plug-in's library, loading it again runs nothing new.
std::filesystem::path loadedLibrary()
{
    Dl_info info{};
    EXPECT_NE(::dladdr(reinterpret_cast<void*>(&std::terminate), &info), 0);
    return info.dli_fname;
}

constexpr const char* PaneDescription = R"({
  "objects": [{"class": "View", "id": "content"}],
  "outlets": {"owner.contentView": "content"}
})";

// Plugin.bundle in a temporary folder, with a library unless told not to.
class BundleOnDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(path / "Contents" / "Resources");
    }
    void addLibrary()
    {
        std::filesystem::create_directories(path / "Contents" / "MacOS");
        std::filesystem::create_symlink(loadedLibrary(), path / "Contents" / "MacOS" / "Plugin");
    }
    void addResource(const std::string& name, std::string_view text)
    {
        directory.write("Plugin.bundle/Contents/Resources/" + name, text);
    }
    std::string sections(std::string_view paneClass)
    {
        return R"({"SectionOrder": [{"InstallerPaneClass": ")" + std::string(paneClass) + R"(", "UIDescription": "Pane"}]})";
    }
    // Loads the bundle and makes its panes; the first error, or "" when all went well.
    std::string loadAndMakePanes()
    {
        std::string error;
        if (plugin.load(path.string(), error) && plugin.makePanes(panes, error))
            return "";
        return error;
    }

    testsupport::TemporaryDirectory directory;
    std::filesystem::path path = directory / "Plugin.bundle";
    PluginBundle plugin;
    std::vector<PaneSequence::Entry> panes;
};

} // namespace

TEST_F(BundleOnDisk, AWellFormedBundleMakesItsPanesWithTheirContent)
{
    addLibrary();
    addResource("InstallerSections.json", sections("BundleTestPane"));
    addResource("Pane.ui", PaneDescription);
    EXPECT_EQ(loadAndMakePanes(), "");
    ASSERT_EQ(panes.size(), 1u);
    EXPECT_NE(panes[0].pane->contentView(), nullptr);
    EXPECT_NE(panes[0].description, nullptr);
}

TEST_F(BundleOnDisk, AMissingLibraryIsRefusedNamingIt)
{
    addResource("InstallerSections.json", sections("BundleTestPane"));
    std::string error = loadAndMakePanes();
    EXPECT_EQ(error.find((path / "Contents/MacOS/Plugin").string() + ": cannot load the plug-in: "), 0u) << error;
}

TEST_F(BundleOnDisk, AMissingSectionListIsRefused)
{
    addLibrary();
    EXPECT_EQ(loadAndMakePanes(), path.string() + ": the bundle has no section list (InstallerSections.json)");
}

TEST_F(BundleOnDisk, ASectionListThatIsNotTheExpectedShapeIsRefused)
{
    addLibrary();
    addResource("InstallerSections.json", R"({"SectionOrder": [{"InstallerPaneClass": 7}]})");
    std::string error = loadAndMakePanes();
    EXPECT_EQ(error.find((path / "Contents/Resources/InstallerSections.json").string() + ": must read {"), 0u) << error;
}

TEST_F(BundleOnDisk, AnUnknownPaneClassIsRefused)
{
    addLibrary();
    addResource("InstallerSections.json", sections("NoSuchPane"));
    addResource("Pane.ui", PaneDescription);
    EXPECT_EQ(loadAndMakePanes(), path.string() + ": the plug-in registered no class \"NoSuchPane\"");
    EXPECT_TRUE(panes.empty());
}

TEST_F(BundleOnDisk, AUIDescriptionNamingAnUnknownOutletIsRefused)
{
    addLibrary();
    addResource("InstallerSections.json", sections("BundleTestPane"));
    addResource("Pane.ui", R"({
  "objects": [{"class": "View", "id": "content"}],
  "outlets": {"owner.contentView": "content", "owner.installButton": "content"}
})");
    std::string error = loadAndMakePanes();
    EXPECT_EQ(error.find((path / "Contents/Resources/Pane.ui").string() + ": outlet \"owner.installButton\": "), 0u) << error;
    EXPECT_TRUE(panes.empty());
}

// The library is named after the bundle itself, not after the path as typed.
TEST_F(BundleOnDisk, TheLibraryIsFoundWhateverPathLeadsToTheBundle)
{
    addLibrary();
    addResource("InstallerSections.json", sections("BundleTestPane"));
    std::filesystem::create_directory_symlink(path, directory / "Renamed.bundle");
    for (const std::filesystem::path& typed : {directory / "Renamed.bundle", path / ".", path / "Contents" / ".."}) {
        PluginBundle viaPath;
        std::string error;
        EXPECT_TRUE(viaPath.load(typed.string(), error)) << typed << ": " << error;
    }
}

// A file that is there but cannot be read, whoever runs the test (root
// reads past any permission): reading a process's memory at address 0 fails.
TEST_F(BundleOnDisk, AnUnreadableSectionListIsToldApartFromAMalformedOne)
{
    addLibrary();
    std::filesystem::create_symlink("/proc/self/mem", path / "Contents" / "Resources" / "InstallerSections.json");
    EXPECT_EQ(loadAndMakePanes(), (path / "Contents/Resources/InstallerSections.json").string()
                                      + ": cannot read the section list: Input/output error");
}
