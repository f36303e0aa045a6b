// The tokenizer: white space, comments and line counting, the one-byte and
// literal tokens, and the number scanner. Strings are JTStringScanner.cpp's.

#include "json/JTParseState.h"

#include "foundation/objects/CLocale.h"

#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace jotter {

namespace {

// ---- Byte classes ----------------------------------------------------------

enum WhitespaceClass : std::uint8_t {
    NotWhitespace,
    Blank,           // space, tab
    LineBreak,       // line feed, carriage return
    UnicodeBreak,    // may start U+0085, U+2028 or U+2029
    CommentStart,    // may start a comment
};

constexpr std::array<std::uint8_t, 256> whitespaceClasses = [] {
    std::array<std::uint8_t, 256> table{};
    table[' '] = table['\t'] = Blank;
    table['\n'] = table['\r'] = LineBreak;
    table[0xC2] = table[0xE2] = UnicodeBreak;
    table['/'] = CommentStart;
    return table;
}();

// Past a run of spaces, eight bytes at a time: indented documents are
// mostly runs of spaces, and a byte at a time they cost more than the
// tokens between them.
const unsigned char* skipSpaces(const unsigned char* p, const unsigned char* end) noexcept
{
    constexpr std::uint64_t EightSpaces = 0x2020202020202020;
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        if (std::uint64_t differing = word ^ EightSpaces) {
            int bit = std::endian::native == std::endian::little ? std::countr_zero(differing)
                                                                  : std::countl_zero(differing);
            return p + bit / 8;
        }
        p += 8;
    }
    while (p < end && *p == ' ')
        ++p;
    return p;
}

enum TokenClass : std::uint8_t {
    NoToken,
    OneByteToken,
    StringToken,
    NumberToken,
    LiteralToken,
};

constexpr std::array<std::uint8_t, 256> tokenClasses = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned char c : {'{', '}', '[', ']', ':', ','})
        table[c] = OneByteToken;
    table['"'] = StringToken;
    table['-'] = NumberToken;
    for (unsigned char c = '0'; c <= '9'; ++c)
        table[c] = NumberToken;
    table['t'] = table['f'] = table['n'] = LiteralToken;
    return table;
}();

constexpr std::array<std::uint8_t, 256> oneByteTokenTypes = [] {
    std::array<std::uint8_t, 256> table{};
    table['{'] = JTTokenTypeObjectBegin;
    table['}'] = JTTokenTypeObjectEnd;
    table['['] = JTTokenTypeArrayBegin;
    table[']'] = JTTokenTypeArrayEnd;
    table[':'] = JTTokenTypeSeparator;
    table[','] = JTTokenTypeComma;
    return table;
}();

inline bool isDigit(unsigned char c) noexcept
{
    return static_cast<unsigned char>(c - '0') < 10;
}

// ---- Line breaks -----------------------------------------------------------

std::size_t lineBreakLength(const unsigned char* p, const unsigned char* end, JTParseOptionFlags options) noexcept
{
    switch (*p) {
    case '\n':
        return 1;
    case '\r':
        return (p + 1 < end && p[1] == '\n') ? 2 : 1;
    case 0xC2:  // U+0085
        return ((options & JTParseOptionUnicodeLineBreaks) && p + 1 < end && p[1] == 0x85) ? 2 : 0;
    case 0xE2:  // U+2028, U+2029
        return ((options & JTParseOptionUnicodeLineBreaks) && p + 2 < end && p[1] == 0x80
                   && (p[2] == 0xA8 || p[2] == 0xA9))
            ? 3
            : 0;
    default:
        return 0;
    }
}

inline void countLineBreak(JTParseState& state, const unsigned char* after) noexcept
{
    ++state.lineNumber;
    state.lineStart = static_cast<std::size_t>(after - state.stringBuffer.ptr);
}

// Skips the comment that starts at p ("/*" or "//"); returns where it ends:
// after "*/", at the line break that ends a "//" comment, or at the end of
// the input.
const unsigned char* skipComment(JTParseState& state, const unsigned char* p, const unsigned char* end) noexcept
{
    bool isBlock = p[1] == '*';
    p += 2;
    while (p < end) {
        if (isBlock && *p == '*' && p + 1 < end && p[1] == '/')
            return p + 2;
        if (std::size_t breakLength = lineBreakLength(p, end, state.options)) {
            if (!isBlock)
                return p;
            p += breakLength;
            countLineBreak(state, p);
            continue;
        }
        ++p;
    }
    return end;
}

[[gnu::noinline]] bool unexpectedToken(JTParseState& state)
{
    return jt_error(state, "Unexpected token, wanted '{', '}', '[', ']', ',', ':', 'true', 'false', 'null', "
                           "'\"STRING\"', 'NUMBER'.");
}

// ---- Literals --------------------------------------------------------------

bool parseLiteral(JTParseState& state, const unsigned char* p, const unsigned char* end)
{
    std::string_view literal;
    JTTokenType type;
    switch (*p) {
    case 't': literal = "true"; type = JTTokenTypeTrue; break;
    case 'f': literal = "false"; type = JTTokenTypeFalse; break;
    default: literal = "null"; type = JTTokenTypeNull; break;
    }
    // A literal must be followed by at least one byte: a document never
    // ends in one, and the byte after it is read next anyway.
    if (static_cast<std::size_t>(end - p) <= literal.size() || std::memcmp(p, literal.data(), literal.size()) != 0)
        [[unlikely]]
        return unexpectedToken(state);
    state.token.type = type;
    state.token.tokenPtrRange = {p, literal.size()};
    state.atIndex += literal.size();
    return true;
}

// ---- Numbers ---------------------------------------------------------------

constexpr std::uint64_t HashStartLongLong = 0x539C150C;
constexpr std::uint64_t HashStartUnsignedLongLong = 0x539C1510;
constexpr std::uint64_t HashStartDouble = 0x539C1512;

// The end of the number that starts at p, or null when it is malformed or
// runs to the end of the input (a number needs a byte after it to end).
// Sets isFloating for a fraction or an exponent.
const unsigned char* scanNumber(const unsigned char* p, const unsigned char* end, bool& isFloating,
    const unsigned char*& failure) noexcept
{
    auto fail = [&](const unsigned char* at) {
        failure = at;
        return nullptr;
    };
    if (*p == '-' && ++p == end)
        return fail(p);
    if (*p == '0') {
        ++p;  // a digit after a leading zero starts the next token
    } else if (isDigit(*p)) {
        while (++p < end && isDigit(*p)) {
        }
    } else {
        return fail(p);
    }
    if (p < end && *p == '.') {
        isFloating = true;
        if (++p == end || !isDigit(*p))
            return fail(p);
        while (++p < end && isDigit(*p)) {
        }
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
        isFloating = true;
        if (++p < end && (*p == '+' || *p == '-'))
            ++p;
        if (p == end || !isDigit(*p))
            return fail(p);
        while (++p < end && isDigit(*p)) {
        }
    }
    if (p == end)
        return fail(p);
    return p;
}

bool invalidNumber(JTParseState& state)
{
    return jt_error(state, "Invalid number.");
}

// A double too large or too small for its type: the fast conversion only
// says "out of range", so strtod tells overflow from underflow. A result
// that is small but not zero (a subnormal) is representable and kept. It
// reads in the "C" locale: under the user's, a decimal comma would stop it
// at the point and read 1.5e400 as 1.
bool convertOutOfRangeDouble(JTParseState& state, const std::string& text, double& value)
{
    errno = 0;
    value = strtod_l(text.c_str(), nullptr, foundation::cLocale());
    if (value != 0 && !std::isinf(value))
        return true;
    jt_error(state, "The value '%s' could not be represented as a 'double' due to %s.", text,
        value == 0 ? "underflow" : "overflow");
    return invalidNumber(state);
}

} // namespace

// ---- White space and tokens ------------------------------------------------

std::size_t jt_parse_is_newline(const JTParseState& state, std::size_t atIndex) noexcept
{
    const unsigned char* end = state.stringBuffer.ptr + state.stringBuffer.length;
    const unsigned char* p = state.stringBuffer.ptr + atIndex;
    return p < end ? lineBreakLength(p, end, state.options) : 0;
}

void jt_parse_skip_whitespace(JTParseState& state) noexcept
{
    const unsigned char* p = state.stringBuffer.ptr + state.atIndex;
    const unsigned char* end = state.stringBuffer.ptr + state.stringBuffer.length;
    while (p < end) {
        switch (whitespaceClasses[*p]) {
        case Blank:
            p = skipSpaces(p + 1, end);
            continue;
        case LineBreak:
        case UnicodeBreak:
            if (std::size_t breakLength = lineBreakLength(p, end, state.options)) {
                p += breakLength;
                countLineBreak(state, p);
                continue;
            }
            break;
        case CommentStart:
            if ((state.options & JTParseOptionAllowComments) && p + 1 < end && (p[1] == '*' || p[1] == '/')) {
                p = skipComment(state, p, end);
                continue;
            }
            break;
        default:
            break;
        }
        break;
    }
    state.atIndex = static_cast<std::size_t>(p - state.stringBuffer.ptr);
}

bool jt_parse_next_token(JTParseState& state)
{
    jt_parse_skip_whitespace(state);
    JTParseToken& token = state.token;
    token.type = JTTokenTypeInvalid;
    token.value.type = JTValueTypeInvalid;
    token.value.cacheEntry = nullptr;
    const unsigned char* end = state.stringBuffer.ptr + state.stringBuffer.length;
    const unsigned char* p = state.stringBuffer.ptr + state.atIndex;
    if (p >= end) [[unlikely]]
        return unexpectedToken(state);
    switch (tokenClasses[*p]) {
    case OneByteToken:
        token.type = static_cast<JTTokenType>(oneByteTokenTypes[*p]);
        token.tokenPtrRange = {p, 1};
        ++state.atIndex;
        return true;
    case StringToken:
        return jt_parse_string(state);
    case NumberToken:
        return jt_parse_number(state);
    case LiteralToken:
        return parseLiteral(state, p, end);
    default:
        return unexpectedToken(state);
    }
}

bool jt_parse_number(JTParseState& state)
{
    const unsigned char* start = state.stringBuffer.ptr + state.atIndex;
    const unsigned char* end = state.stringBuffer.ptr + state.stringBuffer.length;
    bool isFloating = false;
    const unsigned char* failure = nullptr;
    const unsigned char* stop = scanNumber(start, end, isFloating, failure);
    if (!stop) [[unlikely]] {
        state.atIndex = static_cast<std::size_t>(failure - state.stringBuffer.ptr);
        return invalidNumber(state);
    }
    std::size_t length = static_cast<std::size_t>(stop - start);
    const char* first = reinterpret_cast<const char*>(start);
    const char* last = first + length;
    JTTokenValue& value = state.token.value;
    std::from_chars_result converted;
    std::uint64_t hash;
    if (isFloating || (length == 2 && start[0] == '-' && start[1] == '0')) {
        value.type = JTValueTypeDouble;
        converted = std::from_chars(first, last, value.number.doubleValue);
        if (converted.ec == std::errc::result_out_of_range
            && !convertOutOfRangeDouble(state, std::string(first, length), value.number.doubleValue))
            return false;
        hash = HashStartDouble;
    } else if (*start == '-') {
        value.type = JTValueTypeLongLong;
        converted = std::from_chars(first, last, value.number.longLongValue);
        if (converted.ec == std::errc::result_out_of_range) [[unlikely]] {
            jt_error(state, "The value '%s' exceeded the minimum value that could be represented: %lld.",
                std::string(first, length), std::numeric_limits<std::int64_t>::min());
            return invalidNumber(state);
        }
        hash = static_cast<std::uint64_t>(value.number.longLongValue) + HashStartLongLong;
    } else {
        value.type = JTValueTypeUnsignedLongLong;
        converted = std::from_chars(first, last, value.number.unsignedLongLongValue);
        if (converted.ec == std::errc::result_out_of_range) [[unlikely]] {
            jt_error(state, "The value '%s' exceeded the maximum value that could be represented: %llu.",
                std::string(first, length), std::numeric_limits<std::uint64_t>::max());
            return invalidNumber(state);
        }
        hash = value.number.unsignedLongLongValue + HashStartUnsignedLongLong;
    }
    if (converted.ec != std::errc::result_out_of_range && (converted.ec != std::errc() || converted.ptr != last))
        [[unlikely]] {
        jt_error(state, "The conversion function did not consume all of the number tokens characters.");
        return invalidNumber(state);
    }
    unsigned char slot[sizeof value.number];
    std::memcpy(slot, &value.number, sizeof slot);
    for (unsigned char byte : slot)
        hash = jt_hashStep(hash, byte);
    value.hash = hash;
    value.bytes = {reinterpret_cast<const unsigned char*>(&value.number), sizeof value.number};
    state.token.type = JTTokenTypeNumber;
    state.token.tokenPtrRange = {start, length};
    state.atIndex += length;
    return true;
}

} // namespace jotter
