// Attributed text read from HTML, and attributes set over ranges.
#include "appkit/Font.h"
#include "appkit/MutableAttributedString.h"
#include "foundation/objects/Exception.h"

#include <gtest/gtest.h>

using appkit::Font;
using appkit::FontAttributeName;
using appkit::MutableAttributedString;
using foundation::Ref;

namespace {

Ref<MutableAttributedString> fromHTML(std::string_view html)
{
    return MutableAttributedString::initWithHTML(*foundation::Data::create(html));
}

// "name size" of each run, in order.
std::vector<std::string> runFonts(const appkit::AttributedString& text)
{
    std::vector<std::string> fonts;
    for (const auto& run : text.runs()) {
        auto* font = dynamic_cast<Font*>(run.attributes.at(std::string(FontAttributeName)).get());
        fonts.push_back(font->fontName() + " " + std::to_string(static_cast<int>(font->pointSize())));
    }
    return fonts;
}

} // namespace

TEST(AttributedHTML, MarkupChoosesTheFontsOfItsRuns)
{
    auto text = fromHTML("<h1>Title</h1><p>Plain <b>bold</b> <i>it</i> <font face=\"Helvetica\" size=\"5\">big</font>"
                         " <span style=\"font-family: 'Menlo'; font-size: 9px\">small</span> <code>x</code></p>");
    EXPECT_EQ(text->string().utf8(), "Title\nPlain bold it big small x");
    EXPECT_EQ(runFonts(*text), (std::vector<std::string>{"Times-Bold 24", "Times 12", "Times-Bold 12", "Times 12",
                                                         "Times-Italic 12", "Times 12", "Helvetica 24", "Times 12",
                                                         "Menlo 9", "Times 12", "Courier 12"}));
}

TEST(AttributedHTML, WhiteSpaceCollapsesAndBreaksAndBlocksEndLines)
{
    auto text = fromHTML("<html><head><title>no</title><style>p{}</style></head><body>\n  one\n\n two<br>three"
                         "<script>no()</script><div>four &amp; f&#246;ur</div></body></html>");
    EXPECT_EQ(text->string().utf8(), "one two\nthree\nfour & föur");
}

TEST(AttributedHTML, BytesWithoutMarkupOrNoBytesAtAll)
{
    EXPECT_EQ(fromHTML("unknown")->string().utf8(), "unknown");
    EXPECT_EQ(fromHTML("")->string().utf8(), "");
    EXPECT_TRUE(fromHTML("")->runs().empty());
}

TEST(AttributedHTML, BytesThatAreNotUTF8BecomeReplacementCharacters)
{
    auto text = fromHTML("\x8b<p>caf\xe9 <b>\xff</b></p>");
    EXPECT_EQ(text->string().utf8(), "\uFFFD\ncaf\uFFFD \uFFFD");
}

TEST(AttributedHTML, AddAttributeOverTheWholeTextReplacesEveryFont)
{
    auto text = fromHTML("<p>a <b>b</b> <font face=\"Courier\">c</font></p>");
    text->addAttribute(FontAttributeName, Font::systemFontOfSize(13), {0, text->length()});
    EXPECT_EQ(runFonts(*text), std::vector<std::string>{".AppleSystemUIFont 13"});
    EXPECT_EQ(text->runs()[0].range.length, 5u);
}

TEST(AttributedHTML, AddAttributeSplitsRunsAtTheRangeInUTF16Units)
{
    auto text = MutableAttributedString::create(foundation::str("a😀bc"));  // the emoji is two UTF-16 units
    text->addAttribute("mark", foundation::str("x"), {1, 3});
    foundation::Range range;
    EXPECT_EQ(text->attributeAtIndex("mark", 0, &range), nullptr);
    EXPECT_EQ(range.length, 1u);
    EXPECT_NE(text->attributeAtIndex("mark", 3, &range), nullptr);
    EXPECT_EQ(range.location, 1u);
    EXPECT_EQ(range.length, 3u);
    EXPECT_EQ(text->attributeAtIndex("mark", 4), nullptr);
    EXPECT_THROW(text->addAttribute("mark", foundation::str("x"), {4, 2}), foundation::Exception);
}
