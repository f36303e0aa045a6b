#pragma once

#include "foundation/objects/Array.h"
#include "foundation/objects/String.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace appkit {

// The platform's name of the font attribute; its value is a Font.
inline constexpr std::string_view FontAttributeName = "NSFont";

// Text with display attributes: the text, and runs that cover it from start
// to end, each with the attributes (by name) of its characters. Locations
// and lengths count UTF-16 units, as the platform's do. Adjacent runs never
// carry equal attributes. A field shows the text; the attributes say how it
// asked to be drawn.
class AttributedString : public foundation::Object {
public:
    using Attributes = std::map<std::string, foundation::Ref<foundation::Object>, std::less<>>;
    struct Run {
        foundation::Range range;
        Attributes attributes;
    };

    // The text without attributes; null reads as the empty text.
    static foundation::Ref<AttributedString> create(foundation::Ref<foundation::String> string);

    foundation::String& string() const noexcept { return *string_; }
    std::size_t length() const noexcept { return string_->length(); }
    // Empty for an empty text.
    const std::vector<Run>& runs() const noexcept { return runs_; }

    // The attribute's value at a location, or null; `effectiveRange`, when
    // given, receives the range of the run holding the location. A location
    // at or past the end raises the platform's range exception.
    foundation::Object* attributeAtIndex(std::string_view name, std::size_t location,
                                         foundation::Range* effectiveRange = nullptr) const;

    const char* className() const override { return "NSAttributedString"; }
    std::string description() const override { return std::string(string_->utf8()); }
    // Same text and same attributes over the same ranges.
    bool isEqual(const foundation::Object& other) const override;
    std::uint64_t hash() const override { return string_->hash(); }

protected:
    explicit AttributedString(foundation::Ref<foundation::String> string);
    AttributedString(foundation::Ref<foundation::String> string, std::vector<Run> runs);

    // Raises the range exception for a range that does not lie in the text.
    void checkRange(const char* operation, foundation::Range range) const;
    // Joins neighbours whose attributes are equal.
    void mergeRuns();

    foundation::Ref<foundation::String> string_;
    std::vector<Run> runs_;
};

} // namespace appkit
