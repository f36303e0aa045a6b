// The installer's desktop window with the real Quillon pane: typed into and
// clicked through X on a display of the test's own, uploading to an HTTPS
// server on loopback.
#include "DesktopTest.h"

#include "installer_desktop/InstallerWindow.h"
#include "installer_pane/QuillonPane.h"

#include "appkit/Alert.h"
#include "appkit/Button.h"
#include "foundation/url/ConnectToOverride.h"
#include "installer/TextPane.h"
#include "support/DecimalCommaLocale.h"
#include "support/LoopbackServer.h"
#include "support/TemporaryDirectory.h"

#include <nlohmann/json.hpp>

#include <clocale>
#include <optional>

using desktoptest::pumpUntil;
using desktoptest::runTool;
using foundation::Ref;

class InstallerWindowTest : public ::testing::Test {
protected:
    InstallerWindowTest()
    {
        foundation::ConnectToOverride::set(USERINFO_SERVER_HOST, 6984, server.port());
        directory.write("Quillon.bundle/Contents/Resources/Localizable.strings",
                        "\"PaneTitle\" = \"Registration\";\n\"DataUsage\" = \"<p>Used <b>only</b> for updates.</p>\";\n"
                        "\"OtpVsn\" = \"26.2.1\";\n");
        pane = quillon::QuillonPane::initWithBundle(foundation::Bundle::bundleWithPath((directory / "Quillon.bundle").string()));
        Ref<foundation::Error> error;
        description = appkit::UIDescription::load(QUILLON_RESOURCES "/QuillonPane.ui", error, pane.get());
        EXPECT_TRUE(description) << (error ? error->localizedDescription() : "");
        window = appkit::Window::create();
        window->setTitle(foundation::str("Install Erlang/OTP"));
        sequence = std::make_unique<installer::PaneSequence>(
            window,
            std::vector<installer::PaneSequence::Entry>{{installer::TextPane::create("Introduction", "Welcome"), nullptr},
                                                        {pane, description},
                                                        {installer::TextPane::create("Summary", "Done"), nullptr}},
            [this] { if (installerWindow) installerWindow->paneChanged(); }, [] {});
        installerWindow = std::make_unique<installer::InstallerWindow>(*desktop.presenter, *sequence, [](foundation::ExitStatus) {});
        sequence->start();
        EXPECT_TRUE(desktop.waitUntilDrawn(*window));
    }
    ~InstallerWindowTest() override
    {
        if (auto sheet = appkit::Alert::attachedSheet(*window))
            sheet->buttonPressed(nullptr);
        foundation::ConnectToOverride::clear();
    }

    void goToThePane()
    {
        desktop.click(installerWindow->nextButtonForTesting());
        ASSERT_TRUE(pumpUntil([&] { return sequence->currentIndex() == 1 && field(pane->firstNameTextField()); }));
        ASSERT_TRUE(desktop.waitUntilDrawn(*window));
    }

    GtkWidget* field(const foundation::Ref<appkit::TextField>& model)
    {
        return model ? desktop.presenter->widgetForViewForTesting(*model) : nullptr;
    }

    // Clicks into a field and types at its end, as a person does.
    void type(const foundation::Ref<appkit::TextField>& model, const std::string& text)
    {
        desktop.click(field(model));
        runTool("/usr/bin/xdotool", {"key", "End", "type", "--delay", "5", text});
        ASSERT_TRUE(pumpUntil([&] { return model->stringValue().utf8().ends_with(text); }))
            << "typed \"" << text << "\", the field holds \"" << model->stringValue().utf8() << "\"";
    }

    bool nextEnabled() { return gtk_widget_get_sensitive(installerWindow->nextButtonForTesting()); }

    desktoptest::DesktopSession desktop;
    testsupport::TemporaryDirectory directory;
    testsupport::LoopbackServer server{testsupport::LoopbackServer::Security::TLS, USERINFO_SERVER_HOST};
    Ref<quillon::QuillonPane> pane;
    Ref<appkit::UIDescription> description;
    Ref<appkit::Window> window;
    std::unique_ptr<installer::PaneSequence> sequence;
    std::unique_ptr<installer::InstallerWindow> installerWindow;
};

TEST_F(InstallerWindowTest, NextIsEnabledExactlyWhenTheTypedFormIsValidAndUploadsOneDocument)
{
    goToThePane();
    EXPECT_FALSE(nextEnabled());
    type(pane->firstNameTextField(), "Ada");
    type(pane->lastNameTextField(), "Lovelace");
    type(pane->emailTextField(), "ada@example");
    type(pane->organizationTextField(), "Analytical Engines");
    type(pane->countryTextField(), "United Kingdom");
    EXPECT_FALSE(nextEnabled()) << "an address without a top-level domain is not valid";
    type(pane->emailTextField(), ".org");
    ASSERT_TRUE(pumpUntil([&] { return nextEnabled(); }));

    desktop.click(installerWindow->nextButtonForTesting());
    ASSERT_TRUE(pumpUntil([&] { return server.requests().size() == 1; })) << "no upload arrived";
    EXPECT_EQ(sequence->currentIndex(), 2u);
    nlohmann::json document = nlohmann::json::parse(server.requests()[0].body);
    EXPECT_EQ(document["firstName"], "Ada");
    EXPECT_EQ(document["email"], "ada@example.org");
    EXPECT_EQ(document["country"], "United Kingdom");
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(InstallerWindowTest, LeavingWithAnInvalidFormRaisesTheInvalidDataSheetUntilOK)
{
    goToThePane();
    type(pane->firstNameTextField(), "Ada");
    // Next is off while the form is invalid, so the person cannot press it;
    // the installer's own forward exit is what meets the invalid form.
    EXPECT_FALSE(pane->shouldExitPane(installer::InstallerDirectionForward));
    Ref<appkit::Alert> sheet = appkit::Alert::attachedSheet(*window);
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(desktop.waitUntilDrawn(sheet->window()));
    GtkWidget* sheetWindow = desktop.presenter->toplevelForTesting(sheet->window());
    EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(sheetWindow)), GTK_WINDOW(desktop.presenter->toplevelForTesting(*window)));
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(sheetWindow)));
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(sheetWindow)), "Registration");  // the pane's window's title

    GtkWidget* ok = nullptr;
    for (const auto& view : sheet->window().contentView()->subviews()) {
        if (auto* text = dynamic_cast<appkit::TextField*>(view.get()); text && text->stringValue().utf8() == "Invalid Data") {
            EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(desktop.presenter->widgetForViewForTesting(*text))), "Invalid Data");
        }
        if (auto* button = dynamic_cast<appkit::Button*>(view.get()); button && button->title().utf8() == "OK")
            ok = desktop.presenter->widgetForViewForTesting(*button);
    }
    ASSERT_TRUE(ok) << "the sheet has no OK button";
    desktop.click(ok);
    ASSERT_TRUE(pumpUntil([&] { return !gtk_widget_get_mapped(sheetWindow); }));
    EXPECT_FALSE(appkit::Alert::attachedSheet(*window));
    EXPECT_EQ(sequence->currentIndex(), 1u);
}

namespace {

// A German user's environment (LANG=de_DE.UTF-8, nothing above it), set
// before the window's test starts GTK, so that GTK takes the locale from it
// as it does for a real user. The environment and locale before come back
// when it goes.
class GermanUserEnvironment {
protected:
    GermanUserEnvironment()
        : locale_(std::setlocale(LC_ALL, nullptr))
    {
        for (const char* name : {"LANG", "LC_ALL", "LC_NUMERIC"}) {
            const char* value = std::getenv(name);
            saved_.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
        }
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_NUMERIC");
        ::setenv("LANG", testsupport::DecimalCommaLocale::Name, 1);
    }
    ~GermanUserEnvironment()
    {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name, value->c_str(), 1);
            else
                ::unsetenv(name);
        }
        std::setlocale(LC_ALL, locale_.c_str());
    }

private:
    std::string locale_;
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

class InstallerWindowForAGermanUserTest : public GermanUserEnvironment, public InstallerWindowTest {
protected:
    InstallerWindowForAGermanUserTest()
    {
        // GTK sets the locale from the environment when it starts; a test
        // program that started it before, for another test, does here what
        // GTK's start did.
        if (!testsupport::processWritesDecimalComma())
            std::setlocale(LC_ALL, "");
    }
};

} // namespace

TEST_F(InstallerWindowForAGermanUserTest, DataUsageTextIsInItsThirteenPointFont)
{
    ASSERT_TRUE(testsupport::processWritesDecimalComma())
        << "LANG=" << testsupport::DecimalCommaLocale::Name << " gave the locale " << std::setlocale(LC_ALL, nullptr)
        << "; scripts/setup generates it";
    goToThePane();
    foundation::Ref<appkit::TextField> dataUsage = pane->dataUsage();
    ASSERT_TRUE(dataUsage);
    GtkWidget* label = desktop.presenter->widgetForViewForTesting(*dataUsage);
    ASSERT_TRUE(label && GTK_IS_LABEL(label));
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(label)), "Used only for updates.");
    PangoAttrList* attributes = gtk_label_get_attributes(GTK_LABEL(label));
    ASSERT_TRUE(attributes) << "the label has no fonts";
    std::vector<std::string> fonts;
    GSList* list = pango_attr_list_get_attributes(attributes);
    for (GSList* item = list; item; item = item->next) {
        auto* attribute = static_cast<PangoAttribute*>(item->data);
        if (attribute->klass->type != PANGO_ATTR_FONT_DESC)
            continue;
        const PangoFontDescription* font = reinterpret_cast<PangoAttrFontDesc*>(attribute)->desc;
        char* text = pango_font_description_to_string(font);
        fonts.push_back(std::string(text) + " over " + std::to_string(attribute->start_index) + "-"
                        + std::to_string(attribute->end_index));
        g_free(text);
    }
    g_slist_free_full(list, reinterpret_cast<GDestroyNotify>(pango_attribute_destroy));
    EXPECT_EQ(fonts, std::vector<std::string>{"Sans 13 over 0-22"});
}
