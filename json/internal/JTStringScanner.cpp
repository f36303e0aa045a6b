// The string scanner. Contents without escapes are validated in place,
// a plain run at a time, and hashed once their end is found; the first
// escape (or doubtful UTF-8) moves the scan to the token buffer, where the
// contents are decoded and then hashed.

#include "foundation/objects/HexDigits.h"
#include "json/internal/ConvertSingleCodePointInUTF8.h"
#include "json/internal/JTParseState.h"
#include "json/internal/JTScanPath.h"
#include "json/internal/JTValueHash.h"

#include <array>
#include <cstring>

namespace jotter {

namespace {

constexpr std::uint32_t ReplacementCharacter = 0xFFFD;

enum StringByteClass : std::uint8_t {
    Plain,
    Quote,
    Backslash,
    Control,  // below 0x20
    NonASCII,
};

constexpr std::array<std::uint8_t, 256> stringByteClasses = [] {
    std::array<std::uint8_t, 256> table{};
    for (int c = 0; c < 0x20; ++c)
        table[c] = Control;
    for (int c = 0x80; c < 0x100; ++c)
        table[c] = NonASCII;
    table['"'] = Quote;
    table['\\'] = Backslash;
    return table;
}();

constexpr bool isHighSurrogate(std::uint32_t unit) noexcept { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool isLowSurrogate(std::uint32_t unit) noexcept { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Code points an escape may not produce: NUL, a lone low surrogate and the
// noncharacters (the same ones the UTF-8 check refuses).
constexpr bool isIllegalEscapedCodePoint(std::uint32_t codePoint) noexcept
{
    return codePoint == 0 || isLowSurrogate(codePoint) || (codePoint >= 0xFDD0 && codePoint <= 0xFDEF)
        || (codePoint & 0xFFFE) == 0xFFFE;
}

// The decoding of a string with escapes, into the token buffer.
class SlowScan {
public:
    SlowScan(JTParseState& state, const unsigned char* p) : state_(state), buffer_(state.token.tokenBuffer), p_(p) {}

    // Copies the bytes from contentStart to p (already checked) and decodes
    // the rest; true with the value set, false after recording an error.
    bool run(const unsigned char* contentStart);

private:
    // Ends the scan with the error at `at`; with no message, the caller's
    // "Invalid string." is the one recorded.
    bool fail(const unsigned char* at)
    {
        state_.atIndex = static_cast<std::size_t>(at - state_.stringBuffer.ptr);
        return false;
    }
    template <typename... Arguments>
    bool fail(const unsigned char* at, std::string_view format, const Arguments&... arguments)
    {
        fail(at);
        return jt_error(state_, format, arguments...);
    }
    bool lenient() const noexcept { return state_.options & JTParseOptionLenientUnicode; }
    bool atEnd() const noexcept { return p_ >= end(); }
    const unsigned char* end() const noexcept { return state_.stringBuffer.ptr + state_.stringBuffer.length; }

    // Room for `bytes` more plus the longest output of one step (a 4-byte
    // sequence), with slack.
    bool reserve(std::size_t bytes = 0)
    {
        if (used_ + bytes + 16 <= buffer_.bytes.length) [[likely]]
            return true;
        if (jt_managedBuffer_resize(buffer_, used_ + bytes + 1024))
            return true;
        return fail(p_, "Internal error: Unable to resize temporary buffer. %@ line #%ld", JT_SOURCE_POSITION);
    }
    void emit(unsigned char c) noexcept { buffer_.bytes.ptr[used_++] = c; }
    bool copyPlainRun();
    void emitCodePoint(std::uint32_t codePoint) noexcept;
    bool readHexUnit(std::uint32_t& unit);
    bool decodeEscape();
    bool decodeUnicodeEscape();
    bool decodeUTF8Sequence();

    JTParseState& state_;
    JTManagedBuffer& buffer_;
    const unsigned char* p_;
    std::size_t used_ = 0;
};

void SlowScan::emitCodePoint(std::uint32_t codePoint) noexcept
{
    if (codePoint < 0x80) {
        emit(static_cast<unsigned char>(codePoint));
    } else if (codePoint < 0x800) {
        emit(static_cast<unsigned char>(0xC0 | (codePoint >> 6)));
        emit(static_cast<unsigned char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        emit(static_cast<unsigned char>(0xE0 | (codePoint >> 12)));
        emit(static_cast<unsigned char>(0x80 | ((codePoint >> 6) & 0x3F)));
        emit(static_cast<unsigned char>(0x80 | (codePoint & 0x3F)));
    } else {
        emit(static_cast<unsigned char>(0xF0 | (codePoint >> 18)));
        emit(static_cast<unsigned char>(0x80 | ((codePoint >> 12) & 0x3F)));
        emit(static_cast<unsigned char>(0x80 | ((codePoint >> 6) & 0x3F)));
        emit(static_cast<unsigned char>(0x80 | (codePoint & 0x3F)));
    }
}

// The four hex digits after "\u", at p_.
bool SlowScan::readHexUnit(std::uint32_t& unit)
{
    unit = 0;
    for (int i = 0; i < 4; ++i, ++p_) {
        if (atEnd())
            return fail(p_);
        int digit = foundation::hexDigitValue(static_cast<char>(*p_));
        if (digit < 0)
            return fail(p_,
                "Unexpected character found in \\u Unicode escape sequence.  Found '%c', expected [0-9a-fA-F].",
                static_cast<int>(*p_));
        unit = (unit << 4) | static_cast<std::uint32_t>(digit);
    }
    return true;
}

// After "\u", at the first hex digit.
bool SlowScan::decodeUnicodeEscape()
{
    const unsigned char* escape = p_ - 2;
    std::uint32_t codePoint;
    if (!readHexUnit(codePoint))
        return false;
    if (isHighSurrogate(codePoint)) {
        if (p_ + 1 < end() && p_[0] == '\\' && p_[1] == 'u') {
            p_ += 2;
            std::uint32_t low;
            if (!readHexUnit(low))
                return false;
            if (isLowSurrogate(low)) {
                codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (low - 0xDC00);
            } else {
                if (!lenient()) {
                    return fail(escape, "Illegal \\u Unicode escape sequence.");
                }
                codePoint = ReplacementCharacter;  // the second unit is dropped with it
            }
        } else {
            if (atEnd() || (p_[0] == '\\' && p_ + 1 >= end()))  // the input ends where the second escape should be
                return fail(p_);
            if (!lenient()) {
                return fail(escape, "Required a second \\u Unicode escape sequence following a surrogate \\u Unicode "
                                 "escape sequence.");
            }
            codePoint = ReplacementCharacter;  // what follows is read again as content
        }
    }
    if (isIllegalEscapedCodePoint(codePoint)) {
        if (!lenient()) {
            return fail(escape, "Illegal \\u Unicode escape sequence.");
        }
        codePoint = ReplacementCharacter;
    }
    emitCodePoint(codePoint);
    return true;
}

// At the byte after a backslash.
bool SlowScan::decodeEscape()
{
    if (atEnd())
        return fail(p_);
    unsigned char decoded;
    switch (*p_) {
    case '"': decoded = '"'; break;
    case '\\': decoded = '\\'; break;
    case '/': decoded = '/'; break;
    case 'b': decoded = '\b'; break;
    case 'f': decoded = '\f'; break;
    case 'n': decoded = '\n'; break;
    case 'r': decoded = '\r'; break;
    case 't': decoded = '\t'; break;
    case 'u':
        ++p_;
        return decodeUnicodeEscape();
    default:
        return fail(p_ - 1, "Invalid escape sequence found in \"\" string.");
    }
    ++p_;
    emit(decoded);
    return true;
}

bool SlowScan::decodeUTF8Sequence()
{
    const unsigned char* next;
    std::uint32_t codePoint;
    switch (ConvertSingleCodePointInUTF8(p_, end(), &next, &codePoint)) {
    case ConversionResult::ConversionOK:
        while (p_ < next)
            emit(*p_++);
        return true;
    case ConversionResult::SourceExhausted:
        return fail(p_, "End of buffer reached while parsing UTF8 in \"\" string.");
    case ConversionResult::SourceIllegal:
        break;
    }
    if (!lenient()) {
        return fail(p_, "Illegal UTF8 sequence found in \"\" string.");
    }
    emitCodePoint(ReplacementCharacter);
    p_ = next;
    return true;
}

// The plain bytes from p_ on, copied as they are.
bool SlowScan::copyPlainRun()
{
    const unsigned char* runEnd = jt_findStringRunEnd(p_, end(), state_.vectorScan);
    std::size_t length = static_cast<std::size_t>(runEnd - p_);
    if (!reserve(length))
        return false;
    std::memcpy(buffer_.bytes.ptr + used_, p_, length);
    used_ += length;
    p_ = runEnd;
    return true;
}

bool SlowScan::run(const unsigned char* contentStart)
{
    std::size_t scanned = static_cast<std::size_t>(p_ - contentStart);
    if (scanned + 15 > buffer_.bytes.length && !jt_managedBuffer_resize(buffer_, scanned + 1023)) {
        return fail(p_, "Internal error: Unable to resize temporary buffer. %@ line #%ld", JT_SOURCE_POSITION);
    }
    std::memcpy(buffer_.bytes.ptr, contentStart, scanned);
    used_ = scanned;
    for (;;) {
        if (atEnd())
            return fail(p_);
        if (!reserve())
            return false;
        unsigned char c = *p_;
        switch (stringByteClasses[c]) {
        case Plain:
            if (!copyPlainRun())
                return false;
            continue;
        case Quote: {
            JTTokenValue& value = state_.token.value;
            value.bytes = {buffer_.bytes.ptr, used_};
            value.hash = jt_hashBytes(buffer_.bytes.ptr, used_);
            const unsigned char* quote = contentStart - 1;
            state_.token.tokenPtrRange = {quote, static_cast<std::size_t>(p_ + 1 - quote)};
            state_.atIndex = static_cast<std::size_t>(p_ + 1 - state_.stringBuffer.ptr);
            return true;
        }
        case Backslash:
            ++p_;
            if (!decodeEscape())
                return false;
            continue;
        case Control:
            return fail(p_, "Invalid character < 0x20 found in string: 0x%2.2x.", static_cast<unsigned>(c));
        default:
            if (!decodeUTF8Sequence())
                return false;
            continue;
        }
    }
}

// The end of the well-formed, allowed UTF-8 sequence at p, or null. The
// two-byte sequences and the three-byte ones that can be neither a
// surrogate nor a noncharacter (most of the world's scripts) are checked
// here; the rest by the full decoder.
inline const unsigned char* acceptedUTF8Sequence(const unsigned char* p, const unsigned char* end) noexcept
{
    auto isContinuation = [](unsigned char c) { return (c & 0xC0) == 0x80; };
    std::size_t left = static_cast<std::size_t>(end - p);
    if (p[0] >= 0xC2 && p[0] <= 0xDF && left >= 2 && isContinuation(p[1]))
        return p + 2;
    if (((p[0] >= 0xE1 && p[0] <= 0xEC) || p[0] == 0xEE) && left >= 3 && isContinuation(p[1]) && isContinuation(p[2]))
        return p + 3;
    const unsigned char* next;
    std::uint32_t codePoint;
    if (ConvertSingleCodePointInUTF8(p, end, &next, &codePoint) == ConversionResult::ConversionOK)
        return next;
    return nullptr;
}

} // namespace

bool jt_parse_string(JTParseState& state)
{
    const unsigned char* quote = state.stringBuffer.ptr + state.atIndex;
    const unsigned char* contentStart = quote + 1;
    const unsigned char* end = state.stringBuffer.ptr + state.stringBuffer.length;
    state.token.type = JTTokenTypeString;
    state.token.value.type = JTValueTypeString;

    const unsigned char* p = contentStart;
    for (;;) {
        p = jt_findStringRunEnd(p, end, state.vectorScan);
        if (p == end) [[unlikely]]
            break;
        if (*p == '"') [[likely]] {
            JTTokenValue& value = state.token.value;
            std::size_t length = static_cast<std::size_t>(p - contentStart);
            value.bytes = {contentStart, length};
            value.hash = jt_hashBytes(contentStart, length);
            state.token.tokenPtrRange = {quote, static_cast<std::size_t>(p + 1 - quote)};
            state.atIndex = static_cast<std::size_t>(p + 1 - state.stringBuffer.ptr);
            return true;
        }
        // Well-formed UTF-8 stays in place, a sequence at a time.
        while (*p >= 0x80) {
            const unsigned char* next = acceptedUTF8Sequence(p, end);
            if (!next)
                break;
            p = next;
            if (p == end)
                break;
        }
        if (p != end && stringByteClasses[*p] != Plain && stringByteClasses[*p] != Quote) {
            // An escape, a control character or doubtful UTF-8: the
            // decoding scan takes over, and reports whatever is wrong.
            if (SlowScan(state, p).run(contentStart))
                return true;
            return jt_error(state, "Invalid string.");
        }
    }
    state.atIndex = state.stringBuffer.length;
    return jt_error(state, "Invalid string.");
}

} // namespace jotter
