#pragma once

#include "appkit/DisplaySchedule.h"
#include "terminal/JobControl.h"
#include "terminal/LineSplitter.h"
#include "foundation/runloop/RunLoop.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace terminal {

// What every console presenter shares: input read on the main run loop and
// split into bounded lines, the presenter's redraw scheduled for the next
// turn of the run loop, and its answers and blocks written to its output.
//
// Input: from construction on, the input descriptor is read whenever the
// main run loop finds it readable. Each line (without its line feed) goes
// to `line`; a line longer than LineSplitter::DefaultLimit is answered once
// on the output (overlongLineAnswer) and the rest of it is dropped, so that
// memory stays flat whatever comes in. With `keys` set, each chunk read
// goes to it unsplit instead (a terminal read a key at a time). At the end
// of the input or a read error, a last line without its line feed is
// handed on, reading stops and `end` runs, once. stopReading() ends the
// reading too, without `end`: no line or key after it is handed on, not
// even one already read in the same chunk.
// While the input is a terminal whose background the process is in (see
// isForegroundOf), it is not read, since reading would stop the process;
// reading starts again once the process is in the foreground again.
// Display: requestDisplay() runs `display` once when the run loop next
// turns, however many changes asked for it first.
// Output: write() writes all of the text or, when nobody reads the output
// any more, drops it (the program ignores SIGPIPE).
//
// Main thread only; no handler runs once the console is destroyed. The
// descriptors stay open and belong to the caller.
class Console {
public:
    struct Handlers {
        std::function<void(std::string_view line)> line;
        std::function<void()> display;
        std::function<void()> end;                        // may be empty
        std::function<void(std::string_view chunk)> keys; // may be empty
    };

    Console(int inputFd, int outputFd, Handlers handlers);
    ~Console();

    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    void stopReading();

    void write(std::string_view text);
    // The answer to input that does nothing, e.g.
    //   == ignored "next": Next is disabled
    void ignore(std::string_view input, std::string_view why);

    void requestDisplay() { schedule_.request(); }
    bool isDisplayPending() const noexcept { return schedule_.isPending(); }
    // Call at the start of each redraw, early or scheduled.
    void displayed() noexcept { schedule_.displayed(); }

private:
    void readInput();
    // Watches the input while it is read and the process may read it.
    void watchWhileForeground();
    void unwatch();

    int inputFd_;
    int outputFd_;
    Handlers handlers_;
    foundation::RunLoop::WatchId watch_ = 0;
    bool watching_ = false;
    bool reading_ = true;
    LineSplitter lines_{[this](std::string_view line) { if (reading_) handlers_.line(line); },
                        [this](std::string_view start) { write(overlongLineAnswer(start)); }};
    appkit::DisplaySchedule schedule_{[this] { handlers_.display(); }};
    ForegroundWatch foreground_{inputFd_, [this](bool) { watchWhileForeground(); }};
};

// A window's text lines in a block of lines, each indented by two blanks so
// that no text can pass for the block's own "==" lines.
std::string indentedLines(const std::vector<std::string>& lines);

} // namespace terminal
