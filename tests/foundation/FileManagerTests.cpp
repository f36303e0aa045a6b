#include "foundation/storage/FileManager.h"
#include "foundation/objects/URL.h"

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include <sys/stat.h>

using namespace foundation;
using testsupport::readFile;
using testsupport::TemporaryDirectory;

namespace fs = std::filesystem;

namespace {

Ref<URL> fileURL(const fs::path& path)
{
    return URL::fileURLWithPath(path.string());
}

std::size_t entriesIn(const fs::path& directory)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(directory), fs::directory_iterator()));
}

// A second temporary directory on another file system than the first, when
// the machine has one (tmpfs at /dev/shm usually is).
std::optional<fs::path> otherFileSystemThan(const fs::path& path)
{
    struct stat here {}, there {};
    if (::stat(path.c_str(), &here) != 0 || ::stat("/dev/shm", &there) != 0 || here.st_dev == there.st_dev)
        return std::nullopt;
    char pattern[] = "/dev/shm/move-test-XXXXXX";
    if (!::mkdtemp(pattern))
        return std::nullopt;
    return fs::path(pattern);
}

class FileManagerTest : public ::testing::Test {
protected:
    ~FileManagerTest() override
    {
        if (other)
            fs::remove_all(*other);
    }

    TemporaryDirectory directory;
    std::optional<fs::path> other = otherFileSystemThan(directory.path());
};

TEST_F(FileManagerTest, NeverReplacesAnExistingDestinationOnTheSameOrAnotherFileSystem)
{
    std::vector<fs::path> folders = {directory / "tmp"};
    if (other)
        folders.push_back(*other);
    for (const fs::path& folder : folders) {
        SCOPED_TRACE(folder);
        auto source = directory.write("download.tmp", "new");
        fs::create_directories(folder);
        std::ofstream(folder / "x.dmg") << "old";
        Ref<Error> error;
        EXPECT_FALSE(FileManager::defaultManager().moveItemAtURL(*fileURL(source), *fileURL(folder / "x.dmg"), &error));
        ASSERT_TRUE(error);
        EXPECT_EQ(error->domain().utf8(), "NSCocoaErrorDomain");
        EXPECT_EQ(error->code(), 516);
        EXPECT_EQ(error->localizedDescription(), "“download.tmp” couldn’t be moved to “" + folder.filename().string()
                      + "” because an item with the same name already exists.");
        std::string description = error->description();
        EXPECT_NE(description.find(source.string()), std::string::npos) << description;
        EXPECT_NE(description.find((folder / "x.dmg").string()), std::string::npos) << description;
        EXPECT_EQ(readFile(folder / "x.dmg"), "old");
        EXPECT_EQ(readFile(source), "new");
        EXPECT_EQ(entriesIn(folder), 1u);  // no temporary left behind
    }
}

TEST_F(FileManagerTest, FailuresAreClearErrorsAndKeepTheSource)
{
    auto source = directory.write("a", "a");
    struct Case {
        const char* name;
        Ref<URL> from, to;
        int code;
        std::string_view saying;
    };
    const Case cases[] = {
        {"missing source", fileURL(directory / "gone"), fileURL(directory / "x"), 4, "doesn’t exist"},
        {"missing folder", fileURL(source), fileURL(directory / "no/such/dir/a"), 4, "doesn’t exist"},
        {"not a file URL", fileURL(source), URL::create("http://example.org/a"), 518, ""},
    };
    for (const Case& test : cases) {
        Ref<Error> error;
        EXPECT_FALSE(FileManager::defaultManager().moveItemAtURL(*test.from, *test.to, &error)) << test.name;
        ASSERT_TRUE(error) << test.name;
        EXPECT_EQ(error->code(), test.code) << test.name;
        EXPECT_NE(error->localizedDescription().find(test.saying), std::string::npos) << test.name << ": " << error->localizedDescription();
        EXPECT_EQ(readFile(source), "a") << test.name;
    }
}

TEST_F(FileManagerTest, MovesWithinAFileSystem)
{
    auto source = directory.write("download.tmp", "image bytes");
    Ref<Error> error;
    EXPECT_TRUE(FileManager::defaultManager().moveItemAtURL(*fileURL(source), *fileURL(directory / "x.dmg"), &error));
    EXPECT_FALSE(error);
    EXPECT_FALSE(fs::exists(source));
    EXPECT_EQ(readFile(directory / "x.dmg"), "image bytes");
}

TEST_F(FileManagerTest, MovesAcrossFileSystemsKeepingContentAndMode)
{
    if (!other)
        GTEST_SKIP() << "no second file system on this machine";
    std::string content(300000, 'z');
    auto source = directory.write("download.tmp", content);
    ASSERT_EQ(::chmod(source.c_str(), 0640), 0);
    directory.write("bundle/Contents/a.txt", "a");
    Ref<Error> error;
    EXPECT_TRUE(FileManager::defaultManager().moveItemAtPath(source.string(), (*other / "x.dmg").string(), &error));
    EXPECT_TRUE(FileManager::defaultManager().moveItemAtPath((directory / "bundle").string(), (*other / "bundle").string(), &error));
    EXPECT_FALSE(error);
    EXPECT_EQ(entriesIn(directory.path()), 0u);
    EXPECT_EQ(readFile(*other / "x.dmg"), content);
    EXPECT_EQ(fs::status(*other / "x.dmg").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(readFile(*other / "bundle/Contents/a.txt"), "a");
    EXPECT_EQ(entriesIn(*other), 2u);  // no temporary left behind
}

} // namespace
