#include "appkit/PresenterChoice.h"

#include <gtest/gtest.h>

using appkit::PresenterKind;

TEST(PresenterChoice, DisplayThenTerminalThenLinesUnlessForced)
{
    struct Case {
        std::optional<PresenterKind> forced;
        bool displayNamed;
        bool terminal;
        PresenterKind expected;
    };
    const Case cases[] = {
        {std::nullopt, true, true, PresenterKind::Desktop},
        {std::nullopt, true, false, PresenterKind::Desktop},
        {std::nullopt, false, true, PresenterKind::Terminal},
        {std::nullopt, false, false, PresenterKind::Lines},
        {PresenterKind::Terminal, true, true, PresenterKind::Terminal},
        {PresenterKind::Lines, true, true, PresenterKind::Lines},
        {PresenterKind::Desktop, false, false, PresenterKind::Desktop},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(appkit::choosePresenter(c.forced, c.displayNamed, c.terminal), c.expected)
            << "display " << c.displayNamed << ", terminal " << c.terminal;
    }
}

TEST(PresenterChoice, TheOptionOverridesTheEnvironmentAndUnknownKindsAreErrors)
{
    std::string error;
    const char* none[] = {"corvane"};
    EXPECT_EQ(appkit::forcedPresenter(1, none, nullptr, error), std::nullopt);
    EXPECT_EQ(appkit::forcedPresenter(1, none, "", error), std::nullopt);
    EXPECT_EQ(appkit::forcedPresenter(1, none, "lines", error), PresenterKind::Lines);
    const char* option[] = {"corvane", "--presenter=terminal"};
    EXPECT_EQ(appkit::forcedPresenter(2, option, "desktop", error), PresenterKind::Terminal);
    EXPECT_EQ(error, "");

    const char* unknown[] = {"installer", "--presenter=window", "Quillon.bundle"};
    EXPECT_EQ(appkit::forcedPresenter(3, unknown, nullptr, error), std::nullopt);
    EXPECT_EQ(error, "--presenter must be desktop, terminal or lines, not \"window\"");
    error.clear();
    EXPECT_EQ(appkit::forcedPresenter(1, none, "gtk", error), std::nullopt);
    EXPECT_EQ(error, "APPKIT_PRESENTER must be desktop, terminal or lines, not \"gtk\"");
}
