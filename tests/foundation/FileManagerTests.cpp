#include "foundation/FileManager.h"
#include "foundation/URL.h"

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include <sys/stat.h>

using foundation::Error;
using foundation::FileManager;
using foundation::Ref;
using foundation::URL;
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

TEST(FileManager, MovesAFileWithinAFileSystem)
{
    TemporaryDirectory directory;
    auto source = directory.write("download.tmp", "image bytes");
    Ref<Error> error;
    EXPECT_TRUE(FileManager::defaultManager().moveItemAtURL(*fileURL(source), *fileURL(directory / "x.dmg"), &error));
    EXPECT_FALSE(error);
    EXPECT_FALSE(fs::exists(source));
    EXPECT_EQ(readFile(directory / "x.dmg"), "image bytes");
}

TEST(FileManager, NeverReplacesAnExistingDestination)
{
    TemporaryDirectory directory;
    auto source = directory.write("download.tmp", "new");
    auto destination = directory.write("tmp/x.dmg", "old");
    Ref<Error> error;
    EXPECT_FALSE(FileManager::defaultManager().moveItemAtURL(*fileURL(source), *fileURL(destination), &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain().utf8(), "NSCocoaErrorDomain");
    EXPECT_EQ(error->code(), 516);
    EXPECT_EQ(error->localizedDescription(),
              "“download.tmp” couldn’t be moved to “tmp” because an item with the same name already exists.");
    std::string description = error->description();
    EXPECT_NE(description.find(source.string()), std::string::npos) << description;
    EXPECT_NE(description.find(destination.string()), std::string::npos) << description;
    EXPECT_EQ(readFile(destination), "old");
    EXPECT_EQ(readFile(source), "new");
}

TEST(FileManager, MissingSourceOrFolderIsAClearError)
{
    TemporaryDirectory directory;
    Ref<Error> error;
    EXPECT_FALSE(FileManager::defaultManager().moveItemAtPath((directory / "gone").string(), (directory / "x").string(), &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 4);
    EXPECT_NE(error->localizedDescription().find("doesn’t exist"), std::string::npos);

    auto source = directory.write("a", "a");
    error = nullptr;
    EXPECT_FALSE(FileManager::defaultManager().moveItemAtPath(source.string(), (directory / "no/such/dir/a").string(), &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 4);
    EXPECT_TRUE(fs::exists(source));
}

TEST(FileManager, OnlyFileURLsCanBeMoved)
{
    TemporaryDirectory directory;
    auto source = directory.write("a", "a");
    Ref<Error> error;
    EXPECT_FALSE(FileManager::defaultManager().moveItemAtURL(*fileURL(source), *URL::create("http://example.org/a"), &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 518);
    EXPECT_TRUE(fs::exists(source));
}

class CrossFileSystemMove : public ::testing::Test {
protected:
    void SetUp() override
    {
        other = otherFileSystemThan(directory.path());
        if (!other)
            GTEST_SKIP() << "no second file system on this machine";
    }
    void TearDown() override
    {
        if (other)
            fs::remove_all(*other);
    }

    TemporaryDirectory directory;
    std::optional<fs::path> other;
};

TEST_F(CrossFileSystemMove, CopiesThenRemovesTheSourceKeepingContentAndMode)
{
    std::string content(300000, 'z');
    auto source = directory.write("download.tmp", content);
    ASSERT_EQ(::chmod(source.c_str(), 0640), 0);
    fs::path destination = *other / "x.dmg";
    Ref<Error> error;
    EXPECT_TRUE(FileManager::defaultManager().moveItemAtPath(source.string(), destination.string(), &error));
    EXPECT_FALSE(error);
    EXPECT_FALSE(fs::exists(source));
    EXPECT_EQ(readFile(destination), content);
    EXPECT_EQ(fs::status(destination).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(entriesIn(*other), 1u);  // no temporary left behind
}

TEST_F(CrossFileSystemMove, NeverReplacesAndKeepsTheSource)
{
    auto source = directory.write("download.tmp", "new");
    fs::path destination = *other / "x.dmg";
    {
        std::ofstream(destination) << "old";
    }
    Ref<Error> error;
    EXPECT_FALSE(FileManager::defaultManager().moveItemAtPath(source.string(), destination.string(), &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 516);
    EXPECT_EQ(readFile(destination), "old");
    EXPECT_EQ(readFile(source), "new");
    EXPECT_EQ(entriesIn(*other), 1u);
}

TEST_F(CrossFileSystemMove, MovesADirectoryTree)
{
    directory.write("bundle/Contents/a.txt", "a");
    directory.write("bundle/b.txt", "b");
    fs::path destination = *other / "bundle";
    Ref<Error> error;
    EXPECT_TRUE(FileManager::defaultManager().moveItemAtPath((directory / "bundle").string(), destination.string(), &error));
    EXPECT_FALSE(fs::exists(directory / "bundle"));
    EXPECT_EQ(readFile(destination / "Contents/a.txt"), "a");
    EXPECT_EQ(readFile(destination / "b.txt"), "b");
}

} // namespace
