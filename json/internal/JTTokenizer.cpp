// The tokenizer: white space, comments and line counting, the one-byte and
// literal tokens, and the number scanner. Strings are JTStringScanner.cpp's.

#include "json/internal/DecimalToDouble.h"
#include "json/internal/JTParseState.h"
#include "json/internal/JTScanPath.h"
#include "json/internal/JTValueHash.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

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
            ++state.lineNumber;
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

// What one pass over a number's text finds: its digits as an integer (exact
// while there are at most 19 of them, leading zeros aside), the power of
// ten that scales it, and its shape.
struct NumberScan {
    std::uint64_t significand = 0;
    std::int64_t exponent = 0;   // of the last digit
    std::size_t digits = 0;      // before and after the point, leading zeros included
    bool negative = false;
    bool isFloating = false;     // a fraction or an exponent
};

// Up to eight digits a step: numbers with long fractions (coordinates,
// measurements) take most of their digits this way. Bytes are read in
// text order from the low end of a little-endian word.

// The number of digits at the start of the word's eight bytes.
inline int leadingDigits(std::uint64_t word) noexcept
{
    // Per byte, 0x33 exactly for '0' to '9'. A carry out of a byte that is
    // not a digit only disturbs the bytes after it, which are not counted.
    std::uint64_t notDigits = ((word & 0xF0F0F0F0F0F0F0F0) | (((word + 0x0606060606060606) & 0xF0F0F0F0F0F0F0F0) >> 4))
        ^ 0x3333333333333333;
    return notDigits ? std::countr_zero(notDigits) / 8 : 8;
}

// The value of eight digit values (0 to 9) in a word, the first byte the
// most significant digit.
inline std::uint32_t eightDigitsValue(std::uint64_t digits) noexcept
{
    constexpr std::uint64_t Mask = 0x000000FF000000FF;
    constexpr std::uint64_t Hundreds = 100 + (1000000ULL << 32);
    constexpr std::uint64_t Units = 1 + (10000ULL << 32);
    digits = digits * 10 + (digits >> 8);
    return static_cast<std::uint32_t>(((digits & Mask) * Hundreds + ((digits >> 16) & Mask) * Units) >> 32);
}

constexpr std::uint64_t powersOfTen[9] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// Past a run of digits, adding them to the significand (which wraps
// harmlessly beyond 19 digits: the caller then converts the text).
inline const unsigned char* scanDigits(const unsigned char* p, const unsigned char* end, std::uint64_t& significand) noexcept
{
    if constexpr (std::endian::native == std::endian::little) {
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, sizeof word);
            int count = leadingDigits(word);
            if (count == 0)
                return p;
            // The digits moved to the top of the word, zeros before them.
            std::uint64_t digits = (word - 0x3030303030303030) << (8 * (8 - count));
            significand = significand * powersOfTen[count] + eightDigitsValue(digits);
            p += count;
            if (count < 8)
                return p;
        }
    }
    while (p < end && isDigit(*p)) {
        significand = significand * 10 + (*p - '0');
        ++p;
    }
    return p;
}

// The end of the number that starts at p, or null when it is malformed or
// runs to the end of the input (a number needs a byte after it to end),
// with `failure` where it went wrong.
const unsigned char* scanNumber(const unsigned char* p, const unsigned char* end, NumberScan& scan,
    const unsigned char*& failure) noexcept
{
    auto fail = [&](const unsigned char* at) {
        failure = at;
        return nullptr;
    };
    if (*p == '-') {
        scan.negative = true;
        if (++p == end)
            return fail(p);
    }
    const unsigned char* integerStart = p;
    if (*p == '0') {
        ++p;  // a digit after a leading zero starts the next token
    } else if (isDigit(*p)) {
        p = scanDigits(p, end, scan.significand);
    } else {
        return fail(p);
    }
    scan.digits = static_cast<std::size_t>(p - integerStart);
    if (p < end && *p == '.') {
        scan.isFloating = true;
        const unsigned char* fractionStart = ++p;
        if (p == end || !isDigit(*p))
            return fail(p);
        p = scanDigits(p, end, scan.significand);
        scan.digits += static_cast<std::size_t>(p - fractionStart);
        scan.exponent = -static_cast<std::int64_t>(p - fractionStart);
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
        scan.isFloating = true;
        bool negativeExponent = false;
        if (++p < end && (*p == '+' || *p == '-'))
            negativeExponent = *p++ == '-';
        if (p == end || !isDigit(*p))
            return fail(p);
        std::int64_t exponent = 0;
        for (; p < end && isDigit(*p); ++p) {
            if (exponent < 100000000)  // far beyond any double; more digits change nothing
                exponent = exponent * 10 + (*p - '0');
        }
        scan.exponent += negativeExponent ? -exponent : exponent;
    }
    if (p == end)
        return fail(p);
    return p;
}

// The digits after the leading zeros (of "0.000…"): the significand holds
// them exactly when there are at most 19. Counted only beyond 19 digits,
// and only within the token: the byte after "0.000" may be another point,
// and the input may end right after that.
std::size_t significantDigits(std::string_view text, const NumberScan& scan) noexcept
{
    if (scan.digits <= 19)
        return scan.digits;
    std::size_t firstSignificant = text.find_first_not_of("0.", scan.negative);
    std::string_view leading = text.substr(0, firstSignificant);
    return scan.digits - static_cast<std::size_t>(std::count(leading.begin(), leading.end(), '0'));
}

bool invalidNumber(JTParseState& state)
{
    return jt_error(state, "Invalid number.");
}

bool outOfRangeDouble(JTParseState& state, std::string_view text, bool isOverflow)
{
    jt_error(state, "The value '%s' could not be represented as a 'double' due to %s.", std::string(text),
        isOverflow ? "overflow" : "underflow");
    return invalidNumber(state);
}

bool convertDouble(JTParseState& state, std::string_view text, const NumberScan& scan, double& value)
{
    std::size_t significant = significantDigits(text, scan);
    if (significant <= 19) [[likely]] {
        value = jt_decimalToDouble(scan.significand, scan.exponent, scan.negative);
        if (std::isinf(value) || (value == 0 && scan.significand != 0)) [[unlikely]]
            return outOfRangeDouble(state, text, std::isinf(value));
        return true;
    }
    // More digits than a 64-bit significand holds: rare enough for the
    // general conversion. Out of its range, the power of ten of the leading
    // digit tells which way.
    std::from_chars_result converted = std::from_chars(text.data(), text.data() + text.size(), value);
    if (converted.ec == std::errc::result_out_of_range)
        return outOfRangeDouble(state, text, scan.exponent + static_cast<std::int64_t>(significant) > 0);
    if (converted.ec != std::errc() || converted.ptr != text.data() + text.size()) [[unlikely]] {
        jt_error(state, "The conversion function did not consume all of the number tokens characters.");
        return invalidNumber(state);
    }
    return true;
}

// An integer of twenty digits or more: only some of twenty fit.
bool convertLongUnsigned(JTParseState& state, std::string_view text, std::uint64_t& value)
{
    std::from_chars_result converted = std::from_chars(text.data(), text.data() + text.size(), value);
    if (converted.ec == std::errc()) [[likely]]
        return true;
    jt_error(state, "The value '%s' exceeded the maximum value that could be represented: %llu.", std::string(text),
        std::numeric_limits<std::uint64_t>::max());
    return invalidNumber(state);
}

} // namespace

// ---- White space and tokens ------------------------------------------------

void jt_parse_skip_whitespace(JTParseState& state) noexcept
{
    const unsigned char* p = state.stringBuffer.ptr + state.atIndex;
    const unsigned char* end = state.stringBuffer.ptr + state.stringBuffer.length;
    while (p < end) {
        if (*p == '\n') {  // the usual break, and usually indentation after it
            ++p;
            ++state.lineNumber;
            continue;
        }
        switch (whitespaceClasses[*p]) {
        case Blank:
            p = jt_skipSpaces(p + 1, end, state.vectorScan);
            continue;
        case LineBreak:
        case UnicodeBreak:
            if (std::size_t breakLength = lineBreakLength(p, end, state.options)) {
                p += breakLength;
                ++state.lineNumber;
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
    // Compact documents have no white space between tokens: look first.
    if (state.atIndex < state.stringBuffer.length
        && whitespaceClasses[state.stringBuffer.ptr[state.atIndex]] != NotWhitespace)
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
    NumberScan scan;
    const unsigned char* failure = nullptr;
    const unsigned char* stop = scanNumber(start, end, scan, failure);
    if (!stop) [[unlikely]] {
        state.atIndex = static_cast<std::size_t>(failure - state.stringBuffer.ptr);
        return invalidNumber(state);
    }
    std::size_t length = static_cast<std::size_t>(stop - start);
    std::string_view text(reinterpret_cast<const char*>(start), length);
    JTTokenValue& value = state.token.value;
    // "-0" is a double. Told by its digits: the sum of a long negative
    // integer wraps, and -18446744073709551616 must not pass for it.
    bool negativeZero = scan.negative && scan.digits == 1 && *(stop - 1) == '0';
    if (scan.isFloating || negativeZero) {
        value.type = JTValueTypeDouble;
        if (!convertDouble(state, text, scan, value.number.doubleValue))
            return false;
    } else if (scan.negative) {
        constexpr std::uint64_t SmallestMagnitude = std::uint64_t(1) << 63;
        if (scan.digits > 19 || scan.significand > SmallestMagnitude) [[unlikely]] {
            jt_error(state, "The value '%s' exceeded the minimum value that could be represented: %lld.",
                std::string(text), std::numeric_limits<std::int64_t>::min());
            return invalidNumber(state);
        }
        value.type = JTValueTypeLongLong;
        value.number.unsignedLongLongValue = 0 - scan.significand;
    } else {
        value.type = JTValueTypeUnsignedLongLong;
        value.number.unsignedLongLongValue = scan.significand;
        // Twenty digits may still fit; more never do.
        if (scan.digits > 19 && !convertLongUnsigned(state, text, value.number.unsignedLongLongValue)) [[unlikely]]
            return false;
    }
    value.hash = jt_hashNumber(value.number.unsignedLongLongValue, value.type);
    value.bytes = {reinterpret_cast<const unsigned char*>(&value.number), sizeof value.number};
    state.token.type = JTTokenTypeNumber;
    state.token.tokenPtrRange = {start, length};
    state.atIndex += length;
    return true;
}

} // namespace jotter
