#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace terminal {

// Turns what a terminal sends, read by read, into the keys a person
// pressed, handed to `onKey` in order:
//   a printable character   its UTF-8 text, whole even when split by reads
//   Return or Enter         "\r" (CR or LF)
//   Esc                     escapeKey, once nothing followed it in time
// The sequences a terminal sends for every other key (arrows, function and
// editing keys, with or without modifiers) are swallowed whole, however
// reads split them, so that no byte of one ever passes for a key:
//   CSI   Esc [ <parameters> <final byte>    ("\x1b[D", "\x1b[1;5A")
//   SS3   Esc O <parameters> <final byte>    ("\x1bOP")
//   the Linux console's Esc [ [ <letter>, and Alt with a key (Esc <key>).
// Esc on its own is also how every sequence starts: after a read that ends
// in a lone Esc, isEscapePending() is true and the caller waits a short
// while (as curses does, ESCDELAY); escapeTimedOut() then makes it the Esc
// key, and anything read before that continues the sequence. Other control
// characters and bytes that are not UTF-8 are dropped. Single-threaded.
class KeyReader {
public:
    static constexpr std::string_view escapeKey = "\x1b";

    explicit KeyReader(std::function<void(std::string_view key)> onKey);

    void feed(std::string_view chunk);
    bool isEscapePending() const noexcept { return state_ == State::Escape; }
    void escapeTimedOut();

private:
    enum class State { Ground, Escape, SequenceStart, Sequence, LinuxFunctionKey };

    void take(unsigned char byte);
    void takeInGround(unsigned char byte);
    void takeAfterEscape(unsigned char byte);
    void takeInSequence(unsigned char byte);

    std::function<void(std::string_view)> onKey_;
    State state_ = State::Ground;
    std::string character_;        // an unfinished UTF-8 character
    std::size_t characterLength_ = 0;
};

// How long a lone Esc waits for the rest of a sequence: ESCDELAY in
// milliseconds when set (as for curses programs), else curses's second.
std::chrono::milliseconds escapeDelay();

} // namespace terminal
