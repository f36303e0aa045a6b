#include "foundation/objects/PercentEscaping.h"
#include "foundation/objects/URL.h"

#include <gtest/gtest.h>

using foundation::Ref;
using foundation::URL;

TEST(URL, RejectsTextThatIsNotAURL)
{
    for (std::string_view text : {"", "http://host/a b", "http://host/a\nb", "http://host/\xC3\xA9", "http://host/\"",
             "http://host/<a>", "http://host/a\\b", "http://host/a^b", "http://host/`", "http://host/{a}",
             "http://host/a|b", "http://host/%", "http://host/%4", "http://host/%zz", "http://host/a#b#c",
             "http://host/[a]", "http://host:port/", "http://host:99999/", "http://[::1/", "\t"}) {
        EXPECT_FALSE(URL::create(text)) << text;
    }
}

TEST(URL, SplitsAnAbsoluteURLIntoItsParts)
{
    Ref<URL> url = URL::create("https://user:pw@Example.org:6984/userinfo/A%20B_1?x=1&y=2#top");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->scheme(), "https");
    EXPECT_EQ(url->host(), "Example.org");
    EXPECT_EQ(url->port(), 6984);
    EXPECT_EQ(url->escapedPath(), "/userinfo/A%20B_1");
    EXPECT_EQ(url->path(), "/userinfo/A B_1");
    EXPECT_EQ(url->query(), "x=1&y=2");
    EXPECT_EQ(url->fragment(), "top");
    EXPECT_EQ(url->description(), "https://user:pw@Example.org:6984/userinfo/A%20B_1?x=1&y=2#top");
    EXPECT_FALSE(url->isFileURL());
}

TEST(URL, ComparesByItsExactText)
{
    Ref<URL> url = URL::create("https://user:pw@Example.org:6984/userinfo/A%20B_1?x=1&y=2#top");
    Ref<URL> same = URL::create("https://user:pw@Example.org:6984/userinfo/A%20B_1?x=1&y=2#top");
    EXPECT_TRUE(url->isEqual(*same));
    EXPECT_EQ(url->hash(), same->hash());
    EXPECT_FALSE(url->isEqual(*URL::create("https://user:pw@example.org:6984/userinfo/A%20B_1?x=1&y=2#top")));
}

TEST(URL, AcceptsABracketedIPv6Host)
{
    Ref<URL> ipv6 = URL::create("http://[::1]:8080/a");
    ASSERT_TRUE(ipv6);
    EXPECT_EQ(ipv6->host(), "::1");
    EXPECT_EQ(ipv6->port(), 8080);
}

TEST(URL, AbsentPartsAreEmpty)
{
    Ref<URL> bare = URL::create("http://example.org");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->port(), std::nullopt);
    EXPECT_EQ(bare->path(), "");

    Ref<URL> relative = URL::create("a/b/x.dmg");
    ASSERT_TRUE(relative);
    EXPECT_EQ(relative->scheme(), "");
}

TEST(URL, FileURLsParsedOrMadeFromAPath)
{
    Ref<URL> url = URL::create("file:///tmp/x.dmg");
    ASSERT_TRUE(url);
    EXPECT_TRUE(url->isFileURL());
    EXPECT_EQ(url->path(), "/tmp/x.dmg");

    Ref<URL> made = URL::fileURLWithPath("/tmp/dir with space/r\xC3\xA9sum\xC3\xA9?#1.dmg");
    ASSERT_TRUE(made);
    EXPECT_EQ(made->absoluteString(), "file:///tmp/dir%20with%20space/r%C3%A9sum%C3%A9%3F%231.dmg");
    EXPECT_EQ(made->path(), "/tmp/dir with space/r\xC3\xA9sum\xC3\xA9?#1.dmg");
    EXPECT_EQ(made->lastPathComponent(), "r\xC3\xA9sum\xC3\xA9?#1.dmg");
}

TEST(URL, LastPathComponent)
{
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"a/b/x.dmg", "x.dmg"}, {"x.dmg", "x.dmg"}, {"/tmp/", "tmp"}, {"a//", "a"}, {"/", "/"}, {"///", "/"}, {"", ""}};
    for (const auto& [path, last] : cases)
        EXPECT_EQ(foundation::lastPathComponent(path), last) << path;
    EXPECT_EQ(URL::create("http://h/site/zvk/a/b/")->lastPathComponent(), "b");
    EXPECT_EQ(URL::create("http://h/")->lastPathComponent(), "/");
}

TEST(PercentEscaping, EscapesWhatMayNotStandInAURLButKeepsItsStructure)
{
    EXPECT_EQ(foundation::percentEscaped("https://h:6984/userinfo/Ann Lee_J\xC3\xB6rg_7_100"),
        "https://h:6984/userinfo/Ann%20Lee_J%C3%B6rg_7_100");
    EXPECT_EQ(foundation::percentEscaped("/a/b?c=d&e#f;g:h@i+j$k!"), "/a/b?c=d&e#f;g:h@i+j$k!");
    EXPECT_EQ(foundation::percentEscaped("%\"<>[\\]^`{|}\n\x7F"), "%25%22%3C%3E%5B%5C%5D%5E%60%7B%7C%7D%0A%7F");
    // Whatever the input, the escaped text forms a URL.
    EXPECT_TRUE(URL::create(foundation::percentEscaped("https://h/\"100% sure\"<x>#1")));
}

TEST(PercentEscaping, DecodesAndRefusesABrokenEscape)
{
    EXPECT_EQ(foundation::percentDecoded("a%20b%C3%a9"), "a b\xC3\xA9");
    for (std::string_view bad : {"%", "%2", "%g0"})
        EXPECT_EQ(foundation::percentDecoded(bad), std::nullopt) << bad;
}
