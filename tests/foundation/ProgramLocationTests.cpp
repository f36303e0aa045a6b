#include "foundation/system/ProgramLocation.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

// These tests lean on the one file sure to lie beside the program: the
// test program itself.
fs::path program() { return fs::read_symlink("/proc/self/exe"); }

TEST(ShippedFilePath, PrefersTheInstalledFileWhenBothExist)
{
    std::string name = program().filename().string();
    EXPECT_EQ(foundation::shippedFilePath(name, "."), program().string());
}

TEST(ShippedFilePath, FallsBackToTheBuildTreeWhenNothingIsInstalled)
{
    std::string name = program().filename().string();
    EXPECT_EQ(foundation::shippedFilePath("../share/no-such-program/MainMenu.ui", name), program().string());
}

TEST(ShippedFilePath, NamesTheInstalledPathWhenNeitherExists)
{
    EXPECT_EQ(foundation::shippedFilePath("../share/no-such-program/MainMenu.ui", "Resources/MainMenu.ui"),
              (program().parent_path().parent_path() / "share/no-such-program/MainMenu.ui").string());
}

} // namespace
