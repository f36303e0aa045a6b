#pragma once

#include "foundation/objects/String.h"

#include <string_view>
#include <utility>
#include <vector>

namespace foundation {

// A set of Unicode code points, as ranges.
class CharacterSet {
public:
    // Unicode White_Space plus the line breaks: U+0009-U+000D, U+0020, U+0085,
    // U+00A0, U+1680, U+2000-U+200A, U+2028, U+2029, U+202F, U+205F, U+3000.
    static const CharacterSet& whitespaceAndNewlineCharacterSet();

    bool contains(char32_t codePoint) const noexcept;

private:
    explicit CharacterSet(std::vector<std::pair<char32_t, char32_t>> ranges) : ranges_(std::move(ranges)) {}
    std::vector<std::pair<char32_t, char32_t>> ranges_;  // inclusive, ascending
};

// The string without the set's characters at either end; the characters
// inside are kept. Answers the same string when there is nothing to trim.
[[nodiscard]] Ref<String> stringByTrimmingCharactersInSet(const String& string, const CharacterSet& set);

// The bytes without ASCII white space (space, tab, CR, LF, VT, FF) at either
// end: for protocol and terminal lines, where only these count.
[[nodiscard]] std::string_view trimmed(std::string_view text) noexcept;

} // namespace foundation
