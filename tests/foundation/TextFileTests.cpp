#include "foundation/objects/CharacterSet.h"
#include "foundation/objects/CocoaError.h"
#include "foundation/storage/TextFile.h"

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace foundation;

namespace {

std::string filePathOf(const Error& error)
{
    Object* path = error.userInfo()->objectForKey(FilePathErrorKey);
    return path ? path->description() : std::string();
}

TEST(TextFile, ReadsUTF8TextWholeWithoutAByteOrderMark)
{
    testsupport::TemporaryDirectory directory;
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"26.1.2\nsecond line \xE2\x80\x94 ok\n", "26.1.2\nsecond line \xE2\x80\x94 ok\n"}, {"\xEF\xBB\xBF" "27.0", "27.0"}, {"", ""}};
    for (const auto& [content, text] : cases) {
        auto path = directory.write("version", content);
        Ref<Error> error;
        Ref<String> read = stringWithContentsOfFile(path.string(), &error);
        EXPECT_EQ(read ? std::string(read->utf8()) : "(null)", text);
        EXPECT_FALSE(error);
    }
}

TEST(TextFile, AMissingFileInvalidUTF8OrADirectoryAreDistinctErrorsNamingThePath)
{
    testsupport::TemporaryDirectory directory;
    auto latin1 = directory.write("latin1", "caf\xE9\n");
    struct Case {
        std::string path;
        int code;
        std::string_view localized;  // the full description names the path and the cause
        std::string_view cause;
    };
    const Case cases[] = {
        {(directory / "zvk_otp_version").string(), 260,
         "The file “zvk_otp_version” couldn’t be opened because there is no such file.", "No such file or directory"},
        {latin1.string(), 261, "The file “latin1” couldn’t be opened using text encoding Unicode (UTF-8).", ""},
        {directory.path().string(), 256, "", "Is a directory"},
    };
    for (const Case& test : cases) {
        Ref<Error> error;
        EXPECT_FALSE(stringWithContentsOfFile(test.path, &error)) << test.path;
        ASSERT_TRUE(error) << test.path;
        EXPECT_EQ(error->domain().utf8(), "NSCocoaErrorDomain");
        EXPECT_EQ(error->code(), test.code) << test.path;
        EXPECT_NE(error->localizedDescription().find(test.localized), std::string::npos) << error->localizedDescription();
        EXPECT_EQ(filePathOf(*error), test.path);
        std::string description = optionalDescription(error.get());
        EXPECT_NE(description.find(test.path), std::string::npos) << description;
        EXPECT_NE(description.find(test.cause), std::string::npos) << description;
        EXPECT_EQ(description.find('\n'), std::string::npos) << "one line: " << description;
        EXPECT_FALSE(stringWithContentsOfFile(test.path, nullptr));  // no out-parameter is fine
    }
}

TEST(TextFile, UnreadableFileIsAPermissionError)
{
    testsupport::TemporaryDirectory directory;
    auto path = directory.write("secret", "1.0");
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    ASSERT_EQ(::chmod(directory.path().c_str(), 0755), 0);
    // Root reads anything, so the check runs in a child that has given up
    // root: a freshly started one, as forking this threaded process could
    // leave the child stuck on a lock another thread held.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            bool unprivileged = ::geteuid() != 0 || (::setgid(65534) == 0 && ::setuid(65534) == 0);
            Ref<Error> error;
            bool read = static_cast<bool>(stringWithContentsOfFile(path.string(), &error));
            ::_exit(unprivileged && !read && error && error->code() == 257 && filePathOf(*error) == path.string()
                            && error->localizedDescription().find("permission") != std::string::npos
                        ? 0
                        : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(Trimming, RemovesUnicodeWhiteSpaceAndLineBreaksAtBothEndsOnly)
{
    const auto& set = CharacterSet::whitespaceAndNewlineCharacterSet();
    auto trim = [&](std::string_view text) {
        return std::string(stringByTrimmingCharactersInSet(*String::create(text), set)->utf8());
    };
    EXPECT_EQ(trim("\v\f\r\t 2\n6.1\r\n \t"), "2\n6.1");
    EXPECT_EQ(trim(" \n\t "), "");
    // NEL, no-break space, ogham space, en quad .. hair space, line and
    // paragraph separators, narrow no-break, medium math, ideographic space.
    EXPECT_EQ(trim("\xC2\x85\xC2\xA0\xE1\x9A\x80\xE2\x80\x80\xE2\x80\x8A" "x"
                   "\xE2\x80\xA8\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\x9F\xE3\x80\x80"),
              "x");
    // Zero-width space and the byte-order mark are not white space.
    EXPECT_EQ(trim("\xE2\x80\x8B" "x\xEF\xBB\xBF"), "\xE2\x80\x8B" "x\xEF\xBB\xBF");
    // Multi-byte characters next to the trimmed ones stay whole.
    EXPECT_EQ(trim(" \xC3\xA9t\xC3\xA9\xE3\x80\x80"), "\xC3\xA9t\xC3\xA9");

    Ref<String> clean = String::create("1.0");
    EXPECT_EQ(stringByTrimmingCharactersInSet(*clean, set).get(), clean.get());
}

} // namespace
