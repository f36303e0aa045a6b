#include "terminal/KeyReader.h"

#include "foundation/objects/UTF8Lead.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace terminal {

namespace {

constexpr unsigned char escape = 0x1b;

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

} // namespace

KeyReader::KeyReader(std::function<void(std::string_view key)> onKey)
    : onKey_(std::move(onKey))
{
}

void KeyReader::feed(std::string_view chunk)
{
    for (char byte : chunk)
        take(static_cast<unsigned char>(byte));
}

void KeyReader::escapeTimedOut()
{
    if (state_ != State::Escape)
        return;
    state_ = State::Ground;
    onKey_(escapeKey);
}

void KeyReader::take(unsigned char byte)
{
    switch (state_) {
    case State::Ground:
        takeInGround(byte);
        return;
    case State::Escape:
        takeAfterEscape(byte);
        return;
    case State::SequenceStart:
        if (byte == '[') {
            state_ = State::LinuxFunctionKey;
            return;
        }
        takeInSequence(byte);
        return;
    case State::Sequence:
        takeInSequence(byte);
        return;
    case State::LinuxFunctionKey:
        state_ = State::Ground;  // its letter
        return;
    }
}

void KeyReader::takeInGround(unsigned char byte)
{
    if (!character_.empty()) {
        if (isContinuation(byte)) {
            character_.push_back(static_cast<char>(byte));
            if (character_.size() == characterLength_) {
                onKey_(character_);
                character_.clear();
            }
            return;
        }
        character_.clear();  // cut short: not a character
    }
    if (byte == escape)
        state_ = State::Escape;
    else if (byte == '\r' || byte == '\n')
        onKey_("\r");
    else if (byte >= 0x20 && byte < 0x7f) {
        char key = static_cast<char>(byte);
        onKey_(std::string_view(&key, 1));
    } else if (byte >= 0x80 && (characterLength_ = static_cast<std::size_t>(foundation::utf8SequenceLength(byte))) != 0)
        character_.push_back(static_cast<char>(byte));
}

void KeyReader::takeAfterEscape(unsigned char byte)
{
    if (byte == '[' || byte == 'O') {
        state_ = byte == '[' ? State::SequenceStart : State::Sequence;
        return;
    }
    state_ = State::Ground;
    if (byte == escape) {
        // Esc pressed twice: the first was a key, the second may start a sequence.
        onKey_(escapeKey);
        state_ = State::Escape;
    }
    // Anything else after Esc is Alt with that key, not a choice (of a
    // character beyond ASCII, the continuation bytes are dropped without
    // their lead).
}

void KeyReader::takeInSequence(unsigned char byte)
{
    if (byte >= 0x40 && byte <= 0x7e) {
        state_ = State::Ground;
        return;
    }
    state_ = State::Sequence;
    if (byte >= 0x20 && byte <= 0x3f)
        return;  // parameters and intermediates
    // Not part of a sequence (a control character, Esc): the sequence was
    // cut off; the byte counts on its own.
    state_ = State::Ground;
    takeInGround(byte);
}

std::chrono::milliseconds escapeDelay()
{
    constexpr int cursesDefault = 1000;
    constexpr int longest = 10000;
    const char* setting = std::getenv("ESCDELAY");
    int milliseconds = cursesDefault;
    if (setting && *setting) {
        int value = 0;
        auto [end, error] = std::from_chars(setting, setting + std::strlen(setting), value);
        if (error == std::errc() && *end == '\0' && value >= 0)
            milliseconds = std::min(value, longest);
    }
    return std::chrono::milliseconds(milliseconds);
}

} // namespace terminal
