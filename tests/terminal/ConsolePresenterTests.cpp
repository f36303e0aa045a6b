#include "support/Collector.h"
#include "support/Descriptors.h"
#include "support/Recorder.h"

#include "appkit/Button.h"
#include "terminal/ConsolePresenter.h"
#include "appkit/TextField.h"
#include "appkit/Window.h"
#include "foundation/runloop/RunLoop.h"

#include <gtest/gtest.h>

#include <optional>

#include <pty.h>
#include <termios.h>

using namespace appkit;
using terminal::ConsolePresenter;
using foundation::Ref;
using foundation::RunLoop;
using foundation::str;

namespace {

// The agent's window: a label and three buttons whose actions go to a recorder.
struct AnnouncementWindow {
    Ref<Recorder> delegate = Recorder::create();
    Ref<Window> window = Window::create();
    Ref<TextField> label = TextField::create();
    Ref<Button> download = button("Download", "d", "downloadButtonTapped:");
    Ref<Button> skip = button("Skip This Version", "s", "skipVersionButtonTapped:");
    Ref<Button> later = button("Remind Me Later", "r", "remindLaterTapped:");

    AnnouncementWindow()
    {
        window->setTitle(str("Corvane"));
        for (Ref<View> view : {Ref<View>(label), Ref<View>(download), Ref<View>(skip), Ref<View>(later)})
            window->contentView()->addSubview(view);
    }

    Ref<Button> button(const char* title, const char* key, const char* action)
    {
        auto made = Button::create();
        made->setTitle(str(title));
        made->setKeyEquivalent(str(key));
        made->setTarget(delegate.get());
        made->setAction(action);
        return made;
    }

    void show(std::string_view text)
    {
        label->setStringValue(str(text));
        window->makeKeyAndOrderFront(delegate.get());
    }
};

bool runUntil(const std::function<bool()>& done)
{
    return RunLoop::main().runUntil(done, 10);
}

} // namespace

// A presenter on pipes, with standard output sent to a pipe of its own
// while the presenter lives: everything the presenter writes goes to its own
// output, none to standard output.
class InLineMode : public ::testing::Test {
protected:
    void TearDown() override
    {
        presenter.reset();
        written.reset();
        stdoutToCapture.reset();
        EXPECT_EQ(stdoutCapture.contents(), "");
    }

    Pipe input, output, stdoutCapture;
    AnnouncementWindow announcement;
    std::optional<Redirection> stdoutToCapture{std::in_place, STDOUT_FILENO, stdoutCapture.write};
    std::optional<Collector> written{std::in_place, output.read};
    std::optional<ConsolePresenter> presenter{std::in_place, input.read, output.write};
};

TEST_F(InLineMode, ThePresenterWritesOneBlockPerChange)
{
    ASSERT_EQ(presenter->mode(), ConsolePresenter::Mode::Lines);
    // Set and shown, shown again unchanged and displayed with nothing changed: one block.
    announcement.show("New Erlang version available: 17.4");
    announcement.window->makeKeyAndOrderFront(nullptr);
    presenter->display();
    EXPECT_EQ(written->waitFor("== end\n"),
        "== window \"Corvane\" shown\n"
        "  New Erlang version available: 17.4\n"
        "[d] Download  [s] Skip This Version  [r] Remind Me Later  [close] Close\n"
        "== end\n");
    presenter->display();
    announcement.label->setStringValue(str("New Erlang version available: 17.5"));
    EXPECT_EQ(written->waitFor("== end\n").find("== window \"Corvane\" shown\n  New Erlang version available: 17.5\n"), 0u);
}

// Hiding the window is the business of the button's action, or of "close".
// The end of the input (after a last line without its line feed, which
// still counts) only ends the reading: the presenter goes on drawing.
TEST_F(InLineMode, ThePresenterTakesChoicesByLine)
{
    announcement.show("New Erlang version available: 17.4");
    written->waitFor("== end\n");

    send(input.write, "  d \r\nR\n");  // blanks and the case of a letter do not matter
    ASSERT_TRUE(runUntil([&] { return announcement.delegate->messages.size() == 2; }));
    EXPECT_EQ(announcement.delegate->names(), (std::vector<std::string>{"downloadButtonTapped:", "remindLaterTapped:"}));
    EXPECT_EQ(announcement.delegate->messages[0].argument.get(), announcement.download.get());
    EXPECT_TRUE(announcement.window->isVisible());

    send(input.write, "x\nclose\n");
    EXPECT_EQ(written->waitFor("hidden\n"),
        "== ignored \"x\": no button of window \"Corvane\" has that key\n== window \"Corvane\" hidden\n");
    EXPECT_FALSE(announcement.window->isVisible());
    send(input.write, "d");
    input.closeWrite();
    EXPECT_EQ(written->waitFor("\n"), "== ignored \"d\": no window is showing\n");
    EXPECT_EQ(announcement.delegate->messages.size(), 2u);
    announcement.window->makeKeyAndOrderFront(nullptr);
    EXPECT_EQ(written->waitFor("== end\n").find("== window \"Corvane\" shown\n"), 0u);
}

// A pseudo-terminal of 30 rows by 100 columns, as the presenter finds it on
// a user's terminal; its line settings as they were before any presenter.
class OnATerminal : public ::testing::Test {
protected:
    OnATerminal()
    {
        winsize size{.ws_row = 30, .ws_col = 100, .ws_xpixel = 0, .ws_ypixel = 0};
        EXPECT_EQ(::openpty(&master, &terminal, nullptr, nullptr, &size), 0);
        ::tcgetattr(terminal, &before);
    }
    ~OnATerminal() override
    {
        ::close(terminal);
        ::close(master);
    }

    int master = -1;
    int terminal = -1;
    termios before{};
};

TEST_F(OnATerminal, ThePresenterReadsKeysRawButKeepsCtrlCAndRestoresTheSettings)
{
    {
        ConsolePresenter presenter(terminal, terminal);
        ASSERT_EQ(presenter.mode(), ConsolePresenter::Mode::Terminal);
        termios raw{};
        ::tcgetattr(terminal, &raw);
        EXPECT_EQ(raw.c_lflag & (ICANON | ECHO), 0u);
        EXPECT_NE(raw.c_lflag & ISIG, 0u);  // Ctrl-C still ends the agent
    }
    termios after{};
    ::tcgetattr(terminal, &after);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
}

TEST_F(OnATerminal, ThePresenterDrawsAFramedBox)
{
    AnnouncementWindow announcement;
    Collector screen(master);
    ConsolePresenter presenter(terminal, terminal);
    announcement.show("New Erlang version available: 17.4");
    std::string seen = screen.waitFor("\n+--");  // the bottom edge
    EXPECT_NE(seen.find("+- Corvane ---"), std::string::npos) << seen;
    EXPECT_NE(seen.find("| New Erlang version available: 17.4 "), std::string::npos) << seen;
    EXPECT_NE(seen.find("| [d] Download  [s] Skip This Version  [r] Remind Me Later  [Esc] Close |"), std::string::npos)
        << seen;
}

TEST_F(OnATerminal, ThePresenterTakesKeys)
{
    AnnouncementWindow announcement;
    Collector screen(master);
    ConsolePresenter presenter(terminal, terminal);
    announcement.show("New Erlang version available: 17.4");
    screen.waitFor("\n+--");

    send(master, "z");  // no button answers: a bell
    EXPECT_EQ(screen.waitFor("\a"), "\a");
    send(master, "d");
    ASSERT_TRUE(runUntil([&] { return !announcement.delegate->messages.empty(); }));
    EXPECT_EQ(announcement.delegate->messages[0].argument.get(), announcement.download.get());

    send(master, "\x1b[1;5A\x1bOPd");  // Ctrl-Up, F1 and a key
    ASSERT_TRUE(runUntil([&] { return announcement.delegate->messages.size() == 2; }));
    send(master, "\x1b");
    EXPECT_EQ(screen.waitFor("\x1b[J"), "\x1b[5A\r\x1b[J");  // the five rows of the box erased
    EXPECT_FALSE(announcement.window->isVisible());
}

// Keys as a terminal over a slow link sends them, each piece read on its
// own: the main loop turns for a while between the pieces.
TEST_F(OnATerminal, ThePresenterWaitsForTheRestOfASequence)
{
    AnnouncementWindow announcement;
    Collector screen(master);
    ConsolePresenter presenter(terminal, terminal);
    announcement.show("New Erlang version available: 17.4");
    screen.waitFor("\n+--");
    auto typeAfterAPause = [this](std::string_view piece) {
        (void)RunLoop::main().runUntil([] { return false; }, 0.1);
        send(master, piece);
    };

    send(master, "\x1b[");  // Left arrow, in two reads
    typeAfterAPause("D");
    typeAfterAPause("\x1b");  // Up arrow, in two reads
    typeAfterAPause("[A");
    typeAfterAPause("r");
    ASSERT_TRUE(runUntil([&] { return !announcement.delegate->messages.empty(); }));
    EXPECT_EQ(announcement.delegate->names(), std::vector<std::string>{"remindLaterTapped:"});
    EXPECT_TRUE(announcement.window->isVisible());
}
