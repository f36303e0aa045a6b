#include "foundation/CharacterSet.h"
#include "foundation/CocoaError.h"
#include "foundation/TextFile.h"
#include "foundation/URL.h"

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using foundation::Error;
using foundation::Ref;
using foundation::String;
using foundation::stringWithContentsOfFile;

namespace {

std::string filePathOf(const Error& error)
{
    foundation::Object* path = error.userInfo()->objectForKey(foundation::FilePathErrorKey);
    return path ? path->description() : std::string();
}

TEST(TextFile, ReadsUTF8TextWhole)
{
    testsupport::TemporaryDirectory directory;
    auto path = directory.write("version", "26.1.2\nsecond line \xE2\x80\x94 ok\n");
    Ref<Error> error;
    Ref<String> text = stringWithContentsOfFile(path.string(), &error);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->utf8(), "26.1.2\nsecond line \xE2\x80\x94 ok\n");
    EXPECT_FALSE(error);

    auto withMark = directory.write("marked", "\xEF\xBB\xBF" "27.0");
    EXPECT_EQ(stringWithContentsOfFile(withMark.string(), nullptr)->utf8(), "27.0");
    EXPECT_EQ(stringWithContentsOfFile(directory.write("empty", "").string(), nullptr)->utf8(), "");

    Ref<foundation::URL> url = foundation::URL::fileURLWithPath(path.string());
    EXPECT_EQ(foundation::stringWithContentsOfURL(*url, nullptr)->utf8(), text->utf8());
}

TEST(TextFile, MissingFileNamesThePathAndTheCause)
{
    testsupport::TemporaryDirectory directory;
    std::string path = (directory / "zvk_otp_version").string();
    Ref<Error> error;
    EXPECT_FALSE(stringWithContentsOfFile(path, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain().utf8(), "NSCocoaErrorDomain");
    EXPECT_EQ(error->code(), 260);
    EXPECT_EQ(error->localizedDescription(), "The file “zvk_otp_version” couldn’t be opened because there is no such file.");
    EXPECT_EQ(filePathOf(*error), path);
    std::string description = foundation::optionalDescription(error.get());
    EXPECT_NE(description.find(path), std::string::npos) << description;
    EXPECT_NE(description.find("No such file or directory"), std::string::npos) << description;
    EXPECT_EQ(description.find('\n'), std::string::npos) << "one line: " << description;
}

TEST(TextFile, InvalidUTF8AndDirectoriesAreDistinctErrors)
{
    testsupport::TemporaryDirectory directory;
    auto latin1 = directory.write("latin1", "caf\xE9\n");
    Ref<Error> error;
    EXPECT_FALSE(stringWithContentsOfFile(latin1.string(), &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 261);
    EXPECT_EQ(error->localizedDescription(), "The file “latin1” couldn’t be opened using text encoding Unicode (UTF-8).");
    EXPECT_EQ(filePathOf(*error), latin1.string());

    error = nullptr;
    EXPECT_FALSE(stringWithContentsOfFile(directory.path().string(), &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 256);
    EXPECT_NE(error->description().find("Is a directory"), std::string::npos) << error->description();

    EXPECT_FALSE(stringWithContentsOfFile(latin1.string(), nullptr));  // no out-parameter is fine
}

// Root reads anything, so the check runs in a child that has given up root.
TEST(TextFile, UnreadableFileIsAPermissionError)
{
    testsupport::TemporaryDirectory directory;
    auto path = directory.write("secret", "1.0");
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    auto check = [&] {
        Ref<Error> error;
        bool read = static_cast<bool>(stringWithContentsOfFile(path.string(), &error));
        return !read && error && error->code() == 257 && filePathOf(*error) == path.string()
            && error->localizedDescription().find("permission") != std::string::npos;
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(check());
        return;
    }
    ASSERT_EQ(::chmod(directory.path().c_str(), 0755), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(dropped && check() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(Trimming, RemovesUnicodeWhiteSpaceAndLineBreaksAtBothEndsOnly)
{
    const auto& set = foundation::CharacterSet::whitespaceAndNewlineCharacterSet();
    auto trim = [&](std::string_view text) {
        return std::string(foundation::stringByTrimmingCharactersInSet(*String::create(text), set)->utf8());
    };
    EXPECT_EQ(trim("26.1.2\n"), "26.1.2");
    EXPECT_EQ(trim(" \t\r\n26.1 2\r\n \t"), "26.1 2");
    EXPECT_EQ(trim("\v\f a\nb \n"), "a\nb");
    EXPECT_EQ(trim(""), "");
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
    EXPECT_EQ(foundation::stringByTrimmingCharactersInSet(*clean, set).get(), clean.get());
}

} // namespace
