// The form: validation, the Next button, the sheet, Back and Skip, and the
// bundle's strings. Nothing here reaches the network: no test leaves the
// pane forwards with a valid form.
#include "PaneFixture.h"

#include "appkit/Font.h"

using installer::InstallerDirectionBackward;
using installer::InstallerDirectionForward;
using installer::PaneSequence;
using testsupport::PaneFixture;

namespace {

class Form : public PaneFixture {};

class FormWithoutStrings : public PaneFixture {
protected:
    FormWithoutStrings() : PaneFixture("/* no entries */\n") {}
};

} // namespace

TEST_F(Form, NextIsDisabledOnEntryWithAnEmptyForm)
{
    EXPECT_FALSE(sequence->isNextEnabled());
    EXPECT_EQ(sequence->goNext(), PaneSequence::Move::NextDisabled);
}

TEST_F(Form, NextFollowsEveryEdit)
{
    fillValidForm();
    EXPECT_TRUE(sequence->isNextEnabled());
    type(3, "ada@example");
    EXPECT_FALSE(sequence->isNextEnabled());
    type(3, "ada@example.org");
    EXPECT_TRUE(sequence->isNextEnabled());
    type(1, "");
    EXPECT_FALSE(sequence->isNextEnabled());
}

TEST_F(Form, ASingleBlankCountsAsFilled)
{
    fillValidForm(" ", " ");
    type(4, " ");
    type(5, " ");
    EXPECT_TRUE(sequence->isNextEnabled());
}

TEST_F(Form, EmailAddressesAcceptedByThePattern)
{
    fillValidForm();
    for (const char* address : {"a@b.cd", "ada@example.org", "ada@mail.example.info", "first.last+tag_1%x-y@sub.do-main.co",
                                "ADA@EXAMPLE.ORG"}) {
        type(3, address);
        EXPECT_TRUE(sequence->isNextEnabled()) << address;
    }
}

TEST_F(Form, EmailAddressesRejectedByThePattern)
{
    fillValidForm();
    for (const char* address : {"ada@example.store", "ada@example.c", "ada@example.c0m", "ada@example.12", " ada@example.org",
                                "ada@example.org ", "ada@@example.org", "ada@b@example.org", "adaexample.org", "@example.org",
                                "ada@.org", "ada@example.örg", ""}) {
        type(3, address);
        EXPECT_FALSE(sequence->isNextEnabled()) << '"' << address << '"';
    }
}

TEST_F(Form, InvalidForwardExitShowsTheInvalidDataSheetAndStays)
{
    fillValidForm();
    type(5, "");
    EXPECT_FALSE(pane->shouldExitPane(InstallerDirectionForward));
    auto sheet = appkit::Alert::attachedSheet(*window);
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->messageText().utf8(), "Invalid Data");
    EXPECT_EQ(sheet->informativeText().utf8(), "");
    ASSERT_EQ(sheet->buttonTitles().size(), 1u);
    EXPECT_EQ(sheet->buttonTitles()[0]->utf8(), "OK");
    EXPECT_EQ(sheet->alertStyle(), appkit::Alert::Style::Informational);
    EXPECT_EQ(sheet->modalDelegate().get(), pane.get());
    EXPECT_TRUE(sheet->window().isVisible());
    EXPECT_TRUE(log.messages().empty());

    appkit::buttonWithTitle(sheet->window(), "OK")->performClick();
    EXPECT_FALSE(appkit::Alert::attachedSheet(*window));
    EXPECT_FALSE(sheet->window().isVisible());
    EXPECT_EQ(sequence->currentIndex(), 1u);
}

TEST_F(Form, BackWithAnEmptyFormLeavesWithoutSheetOrLog)
{
    EXPECT_EQ(sequence->goBack(), PaneSequence::Move::Moved);
    EXPECT_EQ(sequence->currentIndex(), 0u);
    EXPECT_FALSE(appkit::Alert::attachedSheet(*window));
    EXPECT_TRUE(pane->shouldExitPane(InstallerDirectionBackward));
    EXPECT_TRUE(log.messages().empty());
}

TEST_F(Form, SkipWithAnEmptyFormOnlyMovesOn)
{
    appkit::buttonWithTitle(*window, "Skip")->performClick();
    EXPECT_EQ(sequence->currentIndex(), 2u);
    EXPECT_EQ(window->title().utf8(), "Summary");
    EXPECT_FALSE(appkit::Alert::attachedSheet(*window));
    EXPECT_TRUE(log.messages().empty());
}

TEST_F(Form, TitleComesFromTheBundle)
{
    EXPECT_EQ(pane->title()->utf8(), "Registration");
    EXPECT_EQ(window->title().utf8(), "Registration");
}

TEST_F(FormWithoutStrings, TitleFallsBackToTheKeyAndDataUsageToUnknown)
{
    EXPECT_EQ(pane->title()->utf8(), "PaneTitle");
    EXPECT_EQ(pane->dataUsage()->stringValue().utf8(), "unknown");
}

TEST_F(Form, DataUsageIsTheHTMLTextInTheSystemFontThroughout)
{
    appkit::AttributedString& text = pane->dataUsage()->attributedStringValue();
    EXPECT_EQ(text.string().utf8(), "Used only for updates.");
    ASSERT_EQ(text.runs().size(), 1u);
    EXPECT_EQ(text.runs()[0].range.location, 0u);
    EXPECT_EQ(text.runs()[0].range.length, 22u);
    auto* font = dynamic_cast<appkit::Font*>(text.attributeAtIndex(appkit::FontAttributeName, 14));
    ASSERT_TRUE(font);
    EXPECT_EQ(font->fontName(), ".AppleSystemUIFont");
    EXPECT_EQ(font->pointSize(), 13);
}
