#include "appkit/MutableAttributedString.h"

namespace appkit {

using foundation::Object;
using foundation::Range;
using foundation::Ref;
using foundation::String;

Ref<MutableAttributedString> MutableAttributedString::create(Ref<String> string)
{
    return Ref<MutableAttributedString>::adopt(new MutableAttributedString(std::move(string)));
}

Ref<MutableAttributedString> MutableAttributedString::createWithPieces(const std::vector<Piece>& pieces)
{
    std::string text;
    std::vector<Run> runs;
    std::size_t location = 0;
    for (const auto& [piece, attributes] : pieces) {
        text += piece;
        std::size_t length = String::create(piece)->length();
        runs.push_back({{location, length}, attributes});
        location += length;
    }
    return Ref<MutableAttributedString>::adopt(new MutableAttributedString(String::create(text), std::move(runs)));
}

void MutableAttributedString::splitAt(std::size_t location)
{
    for (std::size_t index = 0; index < runs_.size(); ++index) {
        Run& run = runs_[index];
        std::size_t end = run.range.location + run.range.length;
        if (location <= run.range.location || location >= end)
            continue;
        Run tail{{location, end - location}, run.attributes};
        run.range.length = location - run.range.location;
        runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(index) + 1, std::move(tail));
        return;
    }
}

void MutableAttributedString::addAttribute(std::string_view name, Ref<Object> value, Range range)
{
    checkRange("addAttribute:value:range:", range);
    if (range.length == 0)
        return;
    splitAt(range.location);
    splitAt(range.location + range.length);
    for (auto& run : runs_) {
        if (run.range.location >= range.location && run.range.location < range.location + range.length)
            run.attributes.insert_or_assign(std::string(name), value);
    }
    mergeRuns();
}

} // namespace appkit
