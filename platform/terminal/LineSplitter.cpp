#include "terminal/LineSplitter.h"

#include "appkit/Quoted.h"
#include "foundation/system/PrintableText.h"

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
        if (!skipping_)
            onLine_(partial_);
        partial_.clear();
        skipping_ = false;
        chunk.remove_prefix(end + 1);
    }
    take(chunk);
}

void LineSplitter::finish()
{
    if (!skipping_ && !partial_.empty())
        onLine_(partial_);
    partial_.clear();
    skipping_ = false;
}

void LineSplitter::take(std::string_view piece)
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
