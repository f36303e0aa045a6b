#include "agent/DownloadDestination.h"

#include <gtest/gtest.h>

using corvane::downloadDestination;

TEST(DownloadDestination, LastPathComponentInTheTemporaryDirectoryAsURLText)
{
    EXPECT_EQ(downloadDestination("/tmp", "a/b/x.dmg"), "file:///tmp/x.dmg");
    EXPECT_EQ(downloadDestination("/tmp", "x.dmg"), "file:///tmp/x.dmg");
    EXPECT_EQ(downloadDestination("/tmp", "/a/b/x.dmg/"), "file:///tmp/x.dmg");
    EXPECT_EQ(downloadDestination("/work/stand-in", "otp/OTP-26.dmg"), "file:///work/stand-in/OTP-26.dmg");
}

TEST(DownloadDestination, NamesThatCouldLeaveTheDirectoryAreRefused)
{
    for (const char* path : {"", "/", "a/.", "a/..", "..", "a/%2e%2e", "a/..%2F..%2Fetc", "a/b%2Fc", "a/%2E"})
        EXPECT_EQ(downloadDestination("/tmp", path), std::nullopt) << '"' << path << '"';
}

TEST(DownloadDestination, NamesThatAreNotURLTextAreRefused)
{
    EXPECT_EQ(downloadDestination("/tmp", "a/x y.dmg"), std::nullopt);
    EXPECT_EQ(downloadDestination("/tmp", "a/x\n.dmg"), std::nullopt);
}
