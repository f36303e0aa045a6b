#include "installer/InstallerConsole.h"
#include "installer/TextPane.h"

#include "support/Collector.h"
#include "support/Descriptors.h"

#include "foundation/runloop/RunLoop.h"

#include <gtest/gtest.h>

#include <optional>

using installer::InstallerConsole;
using installer::PaneSequence;
using installer::TextPane;

namespace {

// Three text panes walked through by line commands on a pipe, as the
// installer does when no desktop is named.
class ConsoleWalk : public ::testing::Test {
protected:
    ConsoleWalk()
    {
        sequence.emplace(appkit::Window::create(),
                         std::vector<PaneSequence::Entry>{{TextPane::create("Introduction", "Welcome"), nullptr},
                                                          {middle, nullptr},
                                                          {TextPane::create("Summary", "Done"), nullptr}},
                         [this] { console->scheduleDisplay(); }, [this] { quitWith(foundation::ExitStatus::Success); });
        console.emplace(*sequence, input.read, output.write, [this](foundation::ExitStatus status) { quitWith(status); });
        sequence->start();
    }
    ~ConsoleWalk() override
    {
        console.reset();
        sequence.reset();
    }

    void quitWith(foundation::ExitStatus status)
    {
        if (!quitStatus)
            quitStatus = status;
    }
    bool waitForQuit()
    {
        return foundation::RunLoop::main().runUntil([this] { return quitStatus.has_value(); }, 10);
    }

    Pipe input, output;
    Collector written{output.read};
    foundation::Ref<TextPane> middle = TextPane::create("Options", "Choose");
    std::optional<foundation::ExitStatus> quitStatus;
    std::optional<PaneSequence> sequence;
    std::optional<InstallerConsole> console;
};

} // namespace

TEST_F(ConsoleWalk, EachPaneIsOneBlockWithBackAndNextOrClose)
{
    EXPECT_EQ(written.waitFor("== end\n"), "== pane \"Introduction\" (1 of 3)\n  Welcome\n  [Next]\n== end\n");
    send(input.write, "next\n");
    EXPECT_EQ(written.waitFor("== end\n"), "== pane \"Options\" (2 of 3)\n  Choose\n  [Back] [Next]\n== end\n");
    send(input.write, "next\n");
    EXPECT_EQ(written.waitFor("== end\n"), "== pane \"Summary\" (3 of 3)\n  Done\n  [Back] [Close]\n== end\n");
    send(input.write, "back\n");
    EXPECT_EQ(written.waitFor("== end\n"), "== pane \"Options\" (2 of 3)\n  Choose\n  [Back] [Next]\n== end\n");
    EXPECT_FALSE(quitStatus);
}

TEST_F(ConsoleWalk, CloseOnTheLastPaneFinishesWithStatus0)
{
    send(input.write, "next\nnext\nnext\n");
    ASSERT_TRUE(waitForQuit());
    EXPECT_EQ(*quitStatus, foundation::ExitStatus::Success);
}

TEST_F(ConsoleWalk, CommandsThatCannotBeDoneAreAnsweredAndChangeNothing)
{
    written.waitFor("== end\n");
    send(input.write, "back\nset 1 Ada\njump\npress Install\n");
    EXPECT_EQ(written.waitFor("of that title\n"),
        "== ignored \"back\": this is the first pane\n"
        "== ignored \"set 1 Ada\": this pane has no fields\n"
        "== ignored \"jump\": unknown command (set <n> <text>, next, back, press <title>, quit)\n"
        "== ignored \"press Install\": the pane has no button of that title\n");
    EXPECT_EQ(sequence->currentIndex(), 0u);
}

// A pane may turn Next off; the block says so and "next" is refused.
TEST_F(ConsoleWalk, NextTurnedOffByThePaneIsShownAndRefused)
{
    written.waitFor("== end\n");
    send(input.write, "next\n");
    written.waitFor("[Back] [Next]\n== end\n");
    middle->setNextEnabled(false);
    EXPECT_EQ(written.waitFor("== end\n"), "== pane \"Options\" (2 of 3)\n  Choose\n  [Back] [Next (disabled)]\n== end\n");
    send(input.write, "next\n");
    EXPECT_EQ(written.waitFor("\n"), "== ignored \"next\": Next is disabled\n");
    EXPECT_EQ(sequence->currentIndex(), 1u);
}

// The end of the input is the person leaving: a last command without its
// line feed is still carried out, then the installer quits with status 1.
TEST_F(ConsoleWalk, TheEndOfTheInputQuitsWithStatus1AfterTheLastLine)
{
    written.waitFor("== end\n");
    send(input.write, "next");
    input.closeWrite();
    ASSERT_TRUE(waitForQuit());
    EXPECT_EQ(*quitStatus, foundation::ExitStatus::Failure);
    EXPECT_EQ(sequence->currentIndex(), 1u);
}
