#include "foundation/objects/PercentEscaping.h"

#include "foundation/objects/HexDigits.h"

#include <array>

namespace foundation {
namespace {

// Bytes that may stand unescaped in a URL: RFC 3986's unreserved and reserved
// characters, less "[" and "]" (only legal around an IPv6 host, which the
// legacy escaping does not single out).
constexpr std::array<bool, 256> makeURLCharacterTable()
{
    std::array<bool, 256> table{};
    for (unsigned c = 'a'; c <= 'z'; ++c)
        table[c] = true;
    for (unsigned c = 'A'; c <= 'Z'; ++c)
        table[c] = true;
    for (unsigned c = '0'; c <= '9'; ++c)
        table[c] = true;
    for (unsigned char c : std::string_view("-._~:/?#@!$&'()*+,;="))
        table[c] = true;
    return table;
}

constexpr std::array<bool, 256> makePathCharacterTable()
{
    std::array<bool, 256> table = makeURLCharacterTable();
    table['?'] = false;
    table['#'] = false;
    return table;
}

constexpr std::array<bool, 256> URLCharacters = makeURLCharacterTable();
constexpr std::array<bool, 256> PathCharacters = makePathCharacterTable();

std::string escape(std::string_view text, const std::array<bool, 256>& keep)
{
    static constexpr char hexDigits[] = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(text.size());
    for (unsigned char byte : text) {
        if (keep[byte]) {
            escaped.push_back(static_cast<char>(byte));
            continue;
        }
        escaped.push_back('%');
        escaped.push_back(hexDigits[byte >> 4]);
        escaped.push_back(hexDigits[byte & 0xF]);
    }
    return escaped;
}

} // namespace

std::string percentEscaped(std::string_view text)
{
    return escape(text, URLCharacters);
}

std::string percentEscapedPath(std::string_view path)
{
    return escape(path, PathCharacters);
}

std::optional<std::string> percentDecoded(std::string_view text)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        int high = hexDigitValue(text[i + 1]);
        int low = hexDigitValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        decoded.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return decoded;
}

} // namespace foundation
