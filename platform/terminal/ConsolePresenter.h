#pragma once

#include "terminal/Console.h"
#include "terminal/JobControl.h"
#include "terminal/KeyReader.h"
#include "terminal/RealTimeout.h"
#include "terminal/TerminalMode.h"
#include "appkit/FrontWindows.h"
#include "appkit/InstalledDisplay.h"
#include "appkit/PresenterChoice.h"
#include "appkit/WindowDisplay.h"
#include "appkit/WindowText.h"
#include "foundation/objects/Object.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace terminal {

// Makes windows real for a person at a console, in one of two modes: at a
// terminal, or as lines on pipes. While it exists it is the windows'
// display: the frontmost visible window is shown with its text
// and its buttons, redrawn when that changes and taken away when the window
// is hidden, and the person's input presses the window's buttons.
//
// Terminal mode, when input and output are both terminals: the window is a
// framed box on the output, each key pressed is a choice (input is read a
// key at a time without echo), and Esc closes the window (a lone Esc,
// once escapeDelay() has passed with nothing after it: the keys that send
// sequences press nothing). At Ctrl-Z the terminal is given back before
// the process stops, and taken again with the box redrawn when it is back
// in the foreground; in the background the terminal is left alone and not
// read.
// Line mode otherwise: each showing or change of the window writes one
// block of lines to the output, starting "== window" and ending "== end",
// a hidden window writes "== window "<title>" hidden", and each input line
// is a choice: a button's key equivalent (or its name, such as "Return"),
// or "close". Choices that press nothing are reported on the output, and so
// is a line longer than LineSplitter::DefaultLimit, once, its rest unread.
//
// Input is read, and every choice and redraw made, on the main run loop
// (Console). The end of the input only ends the reading. The presenter
// writes to its output descriptor only, never to standard output unless it
// is given that. Main thread only.
class ConsolePresenter final : public appkit::WindowDisplay {
public:
    enum class Mode { Terminal, Lines };

    // Terminal mode needs both descriptors to be terminals; `preferred`
    // Lines keeps to line mode even there.
    ConsolePresenter(int inputFd, int outputFd, Mode preferred = Mode::Terminal);
    ~ConsolePresenter();

    // The presenter of a program's windows, reading standard input and
    // writing standard error (standard output is the program's own):
    // `kind` Terminal or Lines, as PresenterChoice chose.
    static std::unique_ptr<ConsolePresenter> onStandardStreams(appkit::PresenterKind kind);

    ConsolePresenter(const ConsolePresenter&) = delete;
    ConsolePresenter& operator=(const ConsolePresenter&) = delete;

    Mode mode() const noexcept { return mode_; }

    // Acts on one choice of the person for the frontmost window.
    void handleChoice(std::string_view choice);
    // Brings the output up to date with the windows now.
    void display();

    void windowDidOrderFront(appkit::Window& window) override;
    void windowNeedsDisplay(appkit::Window& window) override;

private:
    Console::Handlers consoleHandlers();
    void readKeys(std::string_view chunk);
    void cameToForeground();
    void readLine(std::string_view line);
    void showInTerminal(const appkit::WindowText* text);
    void showInLines(const appkit::WindowText* text);

    int outputFd_;
    Mode mode_;
    std::optional<TerminalMode> terminalMode_;
    appkit::FrontWindows windows_;
    std::optional<appkit::WindowText> shownText_;
    const appkit::Window* shownWindow_ = nullptr;             // compared, never used
    std::size_t drawnLines_ = 0;
    KeyReader keys_{[this](std::string_view key) { handleChoice(key); }};
    std::chrono::milliseconds escapeDelay_ = escapeDelay();
    RealTimeout escapeTimeout_{[this] { keys_.escapeTimedOut(); }};
    ForegroundWatch foreground_;
    Console console_;                            // stops reading before the members above go
    appkit::InstalledDisplay installed_{*this};  // last: no window reaches a display half gone
};

} // namespace terminal
