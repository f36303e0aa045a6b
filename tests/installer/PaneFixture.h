#pragma once

// A QuillonPane as the installer holds it: its real UI description loaded
// with the pane as owner, between an introduction and a finish pane in a
// real PaneSequence, its strings from a bundle made in a temporary folder.
#include "installer_pane/QuillonPane.h"

#include "appkit/Alert.h"
#include "appkit/Button.h"
#include "appkit/WindowText.h"
#include "foundation/system/Log.h"
#include "installer/PaneSequence.h"
#include "installer/TextPane.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <memory>

namespace quillontest {

inline constexpr const char* DefaultStrings =
    "\"PaneTitle\" = \"Registration\";\n"
    "\"DataUsage\" = \"<p>Used <b>only</b> for <font face=\\\"Helvetica\\\" size=\\\"6\\\">updates</font>.</p>\";\n"
    "\"OtpVsn\" = \"26.2.1\";\n";

class PaneFixture : public ::testing::Test {
protected:
    explicit PaneFixture(const char* strings = DefaultStrings)
    {
        directory.write("Quillon.bundle/Contents/Resources/Localizable.strings", strings);
        pane = quillon::QuillonPane::initWithBundle(foundation::Bundle::bundleWithPath((directory / "Quillon.bundle").string()));
        foundation::Ref<foundation::Error> error;
        description = appkit::UIDescription::load(QUILLON_RESOURCES "/QuillonPane.ui", error, pane.get());
        EXPECT_TRUE(description) << (error ? error->localizedDescription() : "");
        window = appkit::Window::create();
        sequence = std::make_unique<installer::PaneSequence>(
            window,
            std::vector<installer::PaneSequence::Entry>{
                {installer::TextPane::create("Introduction", "Welcome"), nullptr},
                {pane, description},
                {installer::TextPane::create("Summary", "Done"), nullptr}},
            [] {}, [this] { finished = true; });
        sequence->start();
        EXPECT_EQ(sequence->goNext(), installer::PaneSequence::Move::Moved);
    }

    ~PaneFixture() override
    {
        // A sheet left up by a test must not outlive its window.
        if (auto sheet = appkit::Alert::attachedSheet(*window))
            sheet->buttonPressed(nullptr);
    }

    // The person types into field n (1: first name, 2: last name, 3: e-mail,
    // 4: organization, 5: country), as the installer's console does.
    void type(std::size_t number, std::string_view text)
    {
        auto fields = appkit::editableFields(*window);
        ASSERT_GE(fields.size(), number);
        ASSERT_TRUE(fields[number - 1]->textDidChangeByUser(foundation::str(text)));
    }

    void fillValidForm(std::string_view firstName = "Ada", std::string_view lastName = "Lovelace")
    {
        type(1, firstName);
        type(2, lastName);
        type(3, "ada@example.org");
        type(4, "Analytical Engines");
        type(5, "United Kingdom");
    }

    // A second pane with the real UI description, outside any installer,
    // for tests that need more than one upload.
    struct LoadedPane {
        foundation::Ref<quillon::QuillonPane> pane;
        foundation::Ref<appkit::UIDescription> ui;
    };
    LoadedPane loadPane(std::string_view firstName, std::string_view lastName, std::string_view organization = "AE")
    {
        LoadedPane loaded{quillon::QuillonPane::initWithBundle(
                              foundation::Bundle::bundleWithPath((directory / "Quillon.bundle").string())),
                          nullptr};
        foundation::Ref<foundation::Error> error;
        loaded.ui = appkit::UIDescription::load(QUILLON_RESOURCES "/QuillonPane.ui", error, loaded.pane.get());
        EXPECT_TRUE(loaded.ui);
        loaded.pane->firstNameTextField()->setStringValue(foundation::str(firstName));
        loaded.pane->lastNameTextField()->setStringValue(foundation::str(lastName));
        loaded.pane->emailTextField()->setStringValue(foundation::str("ada@example.org"));
        loaded.pane->organizationTextField()->setStringValue(foundation::str(organization));
        loaded.pane->countryTextField()->setStringValue(foundation::str("UK"));
        return loaded;
    }

    // The log lines that start with `prefix`.
    std::vector<std::string> logged(std::string_view prefix) const
    {
        std::vector<std::string> lines;
        for (const auto& message : log.messages()) {
            if (message.starts_with(prefix))
                lines.push_back(message);
        }
        return lines;
    }

    testsupport::TemporaryDirectory directory;
    foundation::LogCaptureForTesting log;
    foundation::Ref<quillon::QuillonPane> pane;
    foundation::Ref<appkit::UIDescription> description;
    foundation::Ref<appkit::Window> window;
    std::unique_ptr<installer::PaneSequence> sequence;
    bool finished = false;
};

} // namespace quillontest
