#pragma once

#include "installer/PaneSequence.h"

#include "terminal/Console.h"
#include "appkit/InstalledDisplay.h"
#include "appkit/WindowDisplay.h"
#include "foundation/system/ExitStatus.h"

#include <functional>
#include <string>
#include <string_view>

namespace installer {

// The installer's window on a terminal or a pipe. While it exists it is
// the windows' display: each change of the pane (or of a sheet in front
// of it) writes one block to the output,
//   == pane "<title>" (<n> of <count>)
//     <the pane's text; editable fields as "[n] <name>: <text>">
//     buttons: [<title>] ...          (the pane's own buttons, if any)
//     [Back] [Next]                   ("Next (disabled)", "Close" on the last pane)
//   == end
// or, while a sheet is up, "== sheet on "<title>"", its text and its buttons.
// It reads one command a line from the input, on the main run loop
// (terminal::Console):
//   set <n> <text>   replaces the text of field n (the rest of the line,
//                    blanks included; nothing after "set <n> " empties it)
//   next, back       the installer's Next and Back
//   press <title>    presses a button of the pane or of the sheet by title
//   quit             ends the installer
// Anything it cannot do is answered "== ignored "<line>": <why>"; so is a
// line longer than LineSplitter::DefaultLimit, once, and the rest of it is
// not kept. Nothing after quit, or after Close on the last pane, is acted
// on, even what came in the same read. The end of the input counts as quit.
// `quit` hears Success when the walk was finished (Close on the last pane)
// and Failure when the person left before.
class InstallerConsole final : public appkit::WindowDisplay {
public:
    InstallerConsole(PaneSequence& sequence, int inputFd, int outputFd, std::function<void(foundation::ExitStatus status)> quit);
    ~InstallerConsole();

    InstallerConsole(const InstallerConsole&) = delete;
    InstallerConsole& operator=(const InstallerConsole&) = delete;

    void handleLine(std::string_view line);
    // Writes the block now when it differs from the last one written.
    void display();
    // Writes it once the run loop turns, however many changes come first.
    void scheduleDisplay();

    void windowDidOrderFront(appkit::Window& window) override;
    void windowNeedsDisplay(appkit::Window& window) override;

private:
    void finish(foundation::ExitStatus status);
    void setField(std::string_view arguments, std::string_view line);
    void press(std::string_view title, std::string_view line);
    void move(PaneSequence::Move result, std::string_view line);
    std::string paneBlock() const;

    PaneSequence& sequence_;
    std::function<void(foundation::ExitStatus)> quit_;
    std::string shownBlock_;
    terminal::Console console_;                  // stops reading before the members above go
    appkit::InstalledDisplay installed_{*this};  // last: no window reaches a display half gone
};

} // namespace installer
