// Fonts and colours under a locale that writes a decimal comma: CSS sizes
// are read, and descriptions written, with a decimal point.
#include "appkit/Color.h"
#include "appkit/Font.h"
#include "appkit/MutableAttributedString.h"
#include "support/DecimalCommaLocale.h"

#include <gtest/gtest.h>

using appkit::Font;
using foundation::Ref;

TEST(DecimalCommaLocale, FontSizeWithAFractionInHTMLIsReadWhole)
{
    testsupport::DecimalCommaLocale locale;
    ASSERT_TRUE(locale.active());
    Ref<appkit::MutableAttributedString> text = appkit::MutableAttributedString::initWithHTML(*foundation::Data::create(
        std::string_view("<p><span style=\"font-size: 13.5pt\">a</span><span style=\"font-size: +10.25px\">b</span></p>")));
    ASSERT_EQ(text->runs().size(), 2u);
    std::vector<double> sizes;
    for (const auto& run : text->runs())
        sizes.push_back(static_cast<Font&>(*run.attributes.at(std::string(appkit::FontAttributeName))).pointSize());
    EXPECT_EQ(sizes, (std::vector<double>{13.5, 10.25}));
}

TEST(DecimalCommaLocale, FontAndColourDescriptionsKeepTheDecimalPoint)
{
    testsupport::DecimalCommaLocale locale;
    ASSERT_TRUE(locale.active());
    EXPECT_EQ(Font::fontWithName("Helvetica", 13.5)->description(), "Helvetica 13.50 pt.");
    EXPECT_EQ(appkit::Color::colorWithRed(0.5, 0.25, 1, 0.75)->description(), "NSCalibratedRGBColorSpace 0.5 0.25 1 0.75");
    EXPECT_EQ(appkit::Color::colorWithWhite(0.5, 1)->description(), "NSCalibratedWhiteColorSpace 0.5 1");
}
