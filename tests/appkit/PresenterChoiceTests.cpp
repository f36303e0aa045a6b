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
    EXPECT_EQ(appkit::forcedPresenter(std::nullopt, nullptr, error), std::nullopt);
    EXPECT_EQ(appkit::forcedPresenter(std::nullopt, "", error), std::nullopt);
    EXPECT_EQ(appkit::forcedPresenter(std::nullopt, "lines", error), PresenterKind::Lines);
    EXPECT_EQ(appkit::forcedPresenter("terminal", "desktop", error), PresenterKind::Terminal);
    EXPECT_EQ(error, "");

    EXPECT_EQ(appkit::forcedPresenter("window", nullptr, error), std::nullopt);
    EXPECT_EQ(error, "--presenter must be desktop, terminal or lines, not \"window\"");
    error.clear();
    EXPECT_EQ(appkit::forcedPresenter(std::nullopt, "gtk", error), std::nullopt);
    EXPECT_EQ(error, "APPKIT_PRESENTER must be desktop, terminal or lines, not \"gtk\"");
}
