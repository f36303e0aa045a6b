#include "Recorder.h"

#include "appkit/Button.h"
#include "appkit/TerminalPresenter.h"
#include "appkit/TextField.h"
#include "appkit/Window.h"
#include "foundation/RunLoop.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace appkit;
using foundation::Ref;
using foundation::RunLoop;
using foundation::str;

namespace {

// Both ends of a pipe, closed at the end of the test.
struct Pipe {
    int read = -1;
    int write = -1;
    Pipe()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) == 0) {
            read = fds[0];
            write = fds[1];
        }
    }
    ~Pipe() { closeWrite(); if (read >= 0) ::close(read); }
    void closeWrite()
    {
        if (write >= 0)
            ::close(std::exchange(write, -1));
    }
};

void send(int fd, std::string_view text)
{
    ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

// Collects what arrives on a descriptor while the main run loop runs.
class Collector {
public:
    explicit Collector(int fd)
        : fd_(fd)
        , watch_(RunLoop::main().watchReadable(fd, [this] { receive(); }))
    {
    }
    ~Collector() { RunLoop::main().unwatch(watch_); }

    // Runs the main loop until the collected text holds `wanted`; answers
    // the text so far and starts afresh. The time limit only stops a
    // failing test from hanging.
    std::string waitFor(std::string_view wanted)
    {
        EXPECT_TRUE(RunLoop::main().runUntil([&] { return text_.find(wanted) != std::string::npos; }, 10))
            << "waiting for " << wanted << " in " << text_;
        return std::exchange(text_, {});
    }

    // What has arrived without running the loop.
    std::string now()
    {
        receive();
        return std::exchange(text_, {});
    }

private:
    void receive()
    {
        char buffer[4096];
        pollfd entry{fd_, POLLIN, 0};
        while (::poll(&entry, 1, 0) > 0 && (entry.revents & POLLIN)) {
            ssize_t count = ::read(fd_, buffer, sizeof buffer);
            if (count <= 0)
                break;
            text_.append(buffer, static_cast<std::size_t>(count));
        }
    }

    int fd_;
    RunLoop::WatchId watch_;
    std::string text_;
};

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

TerminalPresenter::Poster mainLoopPoster()
{
    return [](TerminalPresenter::Task task) { RunLoop::main().post(std::move(task)); };
}

bool runUntil(const std::function<bool()>& done)
{
    return RunLoop::main().runUntil(done, 10);
}

constexpr std::string_view shownBlock =
    "== window \"Corvane\" shown\n"
    "New Erlang version available: 17.4\n"
    "[d] Download  [s] Skip This Version  [r] Remind Me Later  [close] Close\n"
    "== end\n";

class LinePresenterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Everything the presenter writes must go to its own output, none to standard output.
        std::fflush(stdout);
        savedStdout = ::dup(STDOUT_FILENO);
        ::dup2(stdoutCapture.write, STDOUT_FILENO);
        presenter.emplace(input.read, output.write, mainLoopPoster());
    }

    void TearDown() override
    {
        presenter.reset();
        ::dup2(savedStdout, STDOUT_FILENO);
        ::close(savedStdout);
        EXPECT_EQ(Collector(stdoutCapture.read).now(), "");
    }

    Pipe input;
    Pipe output;
    Pipe stdoutCapture;
    Collector written{output.read};
    int savedStdout = -1;
    AnnouncementWindow announcement;
    std::optional<TerminalPresenter> presenter;
};

} // namespace

TEST_F(LinePresenterTest, WritesOneBlockPerShowingAndALineWhenHidden)
{
    ASSERT_EQ(presenter->mode(), TerminalPresenter::Mode::Lines);
    // Set and shown, then shown again unchanged, all in one turn of the loop: one block.
    announcement.show("New Erlang version available: 17.4");
    announcement.window->makeKeyAndOrderFront(nullptr);
    EXPECT_EQ(written.waitFor("== end\n"), shownBlock);
    presenter->display();
    EXPECT_EQ(written.now(), "");

    announcement.label->setStringValue(str("New Erlang version available: 17.5"));
    EXPECT_NE(written.waitFor("== end\n").find("\nNew Erlang version available: 17.5\n"), std::string::npos);

    announcement.window->orderOut(nullptr);
    EXPECT_EQ(written.waitFor("\n"), "== window \"Corvane\" hidden\n");
}

TEST_F(LinePresenterTest, LinesPressButtonsWithTheButtonAsSender)
{
    announcement.show("New Erlang version available: 17.4");
    send(input.write, "  d \r\n");
    ASSERT_TRUE(runUntil([&] { return !announcement.delegate->messages.empty(); }));
    EXPECT_EQ(announcement.delegate->names(), std::vector<std::string>{"downloadButtonTapped:"});
    EXPECT_EQ(announcement.delegate->messages[0].argument.get(), announcement.download.get());
    EXPECT_TRUE(announcement.window->isVisible());  // hiding is the action's business

    send(input.write, "R\n");  // case does not matter for a letter
    ASSERT_TRUE(runUntil([&] { return announcement.delegate->messages.size() == 2; }));
    EXPECT_EQ(announcement.delegate->messages[1].name, "remindLaterTapped:");
}

TEST_F(LinePresenterTest, CloseHidesTheWindowAndOddChoicesAreReported)
{
    announcement.show("New Erlang version available: 17.4");
    written.waitFor("== end\n");

    send(input.write, "x\nclose\n");
    EXPECT_EQ(written.waitFor("hidden\n"),
              "== ignored \"x\": no button of window \"Corvane\" has that key\n"
              "== window \"Corvane\" hidden\n");
    EXPECT_FALSE(announcement.window->isVisible());
    EXPECT_TRUE(announcement.delegate->messages.empty());

    send(input.write, "d\n");
    EXPECT_EQ(written.waitFor("\n"), "== ignored \"d\": no window is showing\n");
    EXPECT_TRUE(announcement.delegate->messages.empty());
}

TEST_F(LinePresenterTest, EndOfInputOnlyEndsTheReading)
{
    announcement.show("New Erlang version available: 17.4");
    send(input.write, "x");  // a last line without its line feed still counts
    input.closeWrite();
    // The block was posted before the line was read, so it comes first.
    std::string seen = written.waitFor("has that key\n");
    EXPECT_NE(seen.find(shownBlock), std::string::npos) << seen;
    EXPECT_NE(seen.find("== ignored \"x\""), std::string::npos) << seen;

    // The presenter goes on drawing.
    announcement.window->orderOut(nullptr);
    EXPECT_EQ(written.waitFor("\n"), "== window \"Corvane\" hidden\n");
}

TEST(TerminalPresenter, DrawsAFramedBoxAndTakesKeysOnATerminal)
{
    int master = -1;
    int terminal = -1;
    winsize size{};
    size.ws_col = 100;
    size.ws_row = 30;
    ASSERT_EQ(::openpty(&master, &terminal, nullptr, nullptr, &size), 0);
    termios before{};
    ::tcgetattr(terminal, &before);

    AnnouncementWindow announcement;
    {
        Collector screen(master);
        TerminalPresenter presenter(terminal, terminal, mainLoopPoster());
        ASSERT_EQ(presenter.mode(), TerminalPresenter::Mode::Terminal);
        termios raw{};
        ::tcgetattr(terminal, &raw);
        EXPECT_EQ(raw.c_lflag & (ICANON | ECHO), 0u);
        EXPECT_NE(raw.c_lflag & ISIG, 0u);  // Ctrl-C still ends the agent

        announcement.show("New Erlang version available: 17.4");
        std::string seen = screen.waitFor("\n+--");  // the bottom edge
        EXPECT_NE(seen.find("+- Corvane ---"), std::string::npos) << seen;
        EXPECT_NE(seen.find("| New Erlang version available: 17.4 "), std::string::npos) << seen;
        EXPECT_NE(seen.find("| [d] Download  [s] Skip This Version  [r] Remind Me Later  [Esc] Close |"), std::string::npos)
            << seen;

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
    termios after{};
    ::tcgetattr(terminal, &after);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    ::close(terminal);
    ::close(master);
}
