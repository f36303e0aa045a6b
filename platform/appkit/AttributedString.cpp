#include "appkit/AttributedString.h"

#include "foundation/objects/Exception.h"
#include "foundation/objects/Format.h"

namespace appkit {

using foundation::Object;
using foundation::Range;
using foundation::Ref;
using foundation::String;

namespace {

bool sameAttributes(const AttributedString::Attributes& a, const AttributedString::Attributes& b)
{
    if (a.size() != b.size())
        return false;
    for (auto left = a.begin(), right = b.begin(); left != a.end(); ++left, ++right) {
        if (left->first != right->first || !foundation::equal(left->second.get(), right->second.get()))
            return false;
    }
    return true;
}

} // namespace

AttributedString::AttributedString(Ref<String> string)
    : string_(string ? std::move(string) : Ref<String>(String::empty()))
{
    if (string_->length())
        runs_.push_back({{0, string_->length()}, {}});
}

AttributedString::AttributedString(Ref<String> string, std::vector<Run> runs)
    : string_(std::move(string)), runs_(std::move(runs))
{
    mergeRuns();
}

Ref<AttributedString> AttributedString::create(Ref<String> string)
{
    return Ref<AttributedString>::adopt(new AttributedString(std::move(string)));
}

void AttributedString::checkRange(const char* operation, Range range) const
{
    if (range.location > length() || range.length > length() - range.location) {
        foundation::raise(foundation::ExceptionName::Range,
                          foundation::format("%s: Range {%lu, %lu} out of bounds; string length %lu", operation,
                                             static_cast<unsigned long>(range.location),
                                             static_cast<unsigned long>(range.length),
                                             static_cast<unsigned long>(length())));
    }
}

Object* AttributedString::attributeAtIndex(std::string_view name, std::size_t location, Range* effectiveRange) const
{
    if (location >= length())
        checkRange("attribute:atIndex:effectiveRange:", {location, 1});
    for (const auto& run : runs_) {
        if (location < run.range.location + run.range.length) {
            if (effectiveRange)
                *effectiveRange = run.range;
            auto found = run.attributes.find(name);
            return found == run.attributes.end() ? nullptr : found->second.get();
        }
    }
    return nullptr;
}

void AttributedString::mergeRuns()
{
    std::vector<Run> merged;
    for (auto& run : runs_) {
        if (run.range.length == 0)
            continue;
        if (!merged.empty() && sameAttributes(merged.back().attributes, run.attributes))
            merged.back().range.length += run.range.length;
        else
            merged.push_back(std::move(run));
    }
    runs_ = std::move(merged);
}

bool AttributedString::isEqual(const Object& other) const
{
    auto* attributed = dynamic_cast<const AttributedString*>(&other);
    if (!attributed || !attributed->string_->isEqualToString(*string_) || attributed->runs_.size() != runs_.size())
        return false;
    for (std::size_t index = 0; index < runs_.size(); ++index) {
        const Run& mine = runs_[index];
        const Run& theirs = attributed->runs_[index];
        if (mine.range.location != theirs.range.location || mine.range.length != theirs.range.length
            || !sameAttributes(mine.attributes, theirs.attributes))
            return false;
    }
    return true;
}

} // namespace appkit
