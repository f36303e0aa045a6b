#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace terminal {

// Splits console input, chunk by chunk, into lines (without their line
// feed, or their CR LF), holding at most `limit` bytes of an unfinished line: a line that
// grows past the limit is handed to `onOverlong` once, as its first bytes,
// and the rest of it, up to its line feed, is dropped as it arrives. So an
// input without line breaks keeps the memory flat. Handlers run on the
// caller's thread, in input order, from within append() and finish().
class LineSplitter {
public:
    // Longer than any command or choice a person types.
    static constexpr std::size_t DefaultLimit = 4096;

    using LineHandler = std::function<void(std::string_view line)>;
    using OverlongHandler = std::function<void(std::string_view start)>;

    LineSplitter(LineHandler onLine, OverlongHandler onOverlong, std::size_t limit = DefaultLimit);

    void append(std::string_view chunk);
    // The end of the input: a last line without its line feed counts too.
    void finish();

private:
    void take(std::string_view piece);
    void store(std::string_view piece);
    void endLine(bool handOn);

    LineHandler onLine_;
    OverlongHandler onOverlong_;
    std::size_t limit_;
    std::string partial_;
    bool skipping_ = false;     // past the limit: dropping to the next line feed
    bool heldReturn_ = false;   // a carriage return last, not yet in partial_
};

// The answer to an overlong line, the same in every console: its start and
// why it was not read, e.g.
//   == ignored "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx…": the line is longer than 4096 bytes
std::string overlongLineAnswer(std::string_view start, std::size_t limit = LineSplitter::DefaultLimit);

} // namespace terminal
