#include "foundation/objects/CharacterSet.h"

#include <string_view>

namespace foundation {

namespace {

// Decodes the code point starting at `position` of valid UTF-8 text and
// answers it with its length in bytes.
std::pair<char32_t, std::size_t> decodeAt(std::string_view text, std::size_t position)
{
    auto byte = [&](std::size_t offset) { return static_cast<unsigned char>(text[position + offset]); };
    unsigned char lead = byte(0);
    if (lead < 0x80)
        return {lead, 1};
    if (lead < 0xE0)
        return {char32_t(lead & 0x1F) << 6 | (byte(1) & 0x3F), 2};
    if (lead < 0xF0)
        return {char32_t(lead & 0x0F) << 12 | char32_t(byte(1) & 0x3F) << 6 | (byte(2) & 0x3F), 3};
    return {char32_t(lead & 0x07) << 18 | char32_t(byte(1) & 0x3F) << 12 | char32_t(byte(2) & 0x3F) << 6 | (byte(3) & 0x3F), 4};
}

bool isContinuationByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

} // namespace

const CharacterSet& CharacterSet::whitespaceAndNewlineCharacterSet()
{
    // Never destroyed: background threads may trim text while the process exits.
    static const CharacterSet* set = new CharacterSet({
        {0x0009, 0x000D}, {0x0020, 0x0020}, {0x0085, 0x0085}, {0x00A0, 0x00A0}, {0x1680, 0x1680},
        {0x2000, 0x200A}, {0x2028, 0x2029}, {0x202F, 0x202F}, {0x205F, 0x205F}, {0x3000, 0x3000},
    });
    return *set;
}

bool CharacterSet::contains(char32_t codePoint) const noexcept
{
    for (const auto& [first, last] : ranges_) {
        if (codePoint < first)
            return false;
        if (codePoint <= last)
            return true;
    }
    return false;
}

Ref<String> stringByTrimmingCharactersInSet(const String& string, const CharacterSet& set)
{
    std::string_view text = string.utf8();
    std::size_t begin = 0;
    while (begin < text.size()) {
        auto [codePoint, length] = decodeAt(text, begin);
        if (!set.contains(codePoint))
            break;
        begin += length;
    }
    std::size_t end = text.size();
    while (end > begin) {
        std::size_t start = end - 1;
        while (start > begin && isContinuationByte(text[start]))
            --start;
        if (!set.contains(decodeAt(text, start).first))
            break;
        end = start;
    }
    if (begin == 0 && end == text.size())
        return Ref<String>(const_cast<String*>(&string));
    return String::createUnchecked(text.substr(begin, end - begin));
}

std::string_view trimmed(std::string_view text) noexcept
{
    constexpr std::string_view blanks = " \t\r\n\v\f";
    auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

} // namespace foundation
