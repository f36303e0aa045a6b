#include "terminal/LineSplitter.h"

#include "appkit/Quoted.h"
#include "foundation/system/PrintableText.h"

#include <utility>

namespace terminal {

using appkit::inQuotes;

LineSplitter::LineSplitter(LineHandler onLine, OverlongHandler onOverlong, std::size_t limit)
    : onLine_(std::move(onLine))
    , onOverlong_(std::move(onOverlong))
    , limit_(limit)
{
}

void LineSplitter::append(std::string_view chunk)
{
    for (auto end = chunk.find('\n'); end != std::string_view::npos; end = chunk.find('\n')) {
        take(chunk.substr(0, end));
        endLine(true);
        chunk.remove_prefix(end + 1);
    }
    take(chunk);
}

void LineSplitter::finish()
{
    endLine(!partial_.empty());
}

void LineSplitter::endLine(bool handOn)
{
    // A carriage return before the line's end belongs to the line ending.
    heldReturn_ = false;
    if (handOn && !skipping_)
        onLine_(partial_);
    partial_.clear();
    skipping_ = false;
}

void LineSplitter::take(std::string_view piece)
{
    if (piece.empty())
        return;
    // A carriage return is held back until it is known not to end the line:
    // CR LF must not count against the limit, wherever the read split them.
    if (std::exchange(heldReturn_, false))
        store("\r");
    if (piece.back() == '\r') {
        heldReturn_ = true;
        piece.remove_suffix(1);
    }
    store(piece);
}

void LineSplitter::store(std::string_view piece)
{
    if (skipping_)
        return;
    if (partial_.size() + piece.size() <= limit_) {
        partial_.append(piece);
        return;
    }
    partial_.append(piece.substr(0, limit_ - partial_.size()));
    skipping_ = true;
    onOverlong_(partial_);
    // Hand the memory back: the next line starts small again.
    std::string().swap(partial_);
}

std::string overlongLineAnswer(std::string_view start, std::size_t limit)
{
    constexpr std::size_t shown = 32;
    std::string_view head = start.substr(0, shown);
    // Not in the middle of a UTF-8 sequence.
    while (head.size() < start.size() && !head.empty() && (static_cast<unsigned char>(start[head.size()]) & 0xC0) == 0x80)
        head.remove_suffix(1);
    return "== ignored " + inQuotes(foundation::printableText(head) + "\u2026") + ": the line is longer than " +
        std::to_string(limit) + " bytes\n";
}

} // namespace terminal
