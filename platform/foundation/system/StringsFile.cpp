#include "foundation/system/StringsFile.h"

#include "foundation/objects/HexDigits.h"
#include "foundation/objects/String.h"

#include <cstdint>
#include <optional>

namespace foundation {

namespace {

void appendUTF8(std::string& out, char32_t codePoint)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | codePoint >> 6);
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | codePoint >> 12);
        out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | codePoint >> 18);
        out += static_cast<char>(0x80 | (codePoint >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

bool isSurrogate(char32_t unit, char32_t first)
{
    return unit >= first && unit < first + 0x400;
}

// UTF-16 text with a byte-order mark, as UTF-8; null when malformed.
std::optional<std::string> fromUTF16(std::string_view bytes)
{
    bool bigEndian = static_cast<unsigned char>(bytes[0]) == 0xFE;
    if (bytes.size() % 2)
        return std::nullopt;
    auto unitAt = [&](std::size_t i) -> char32_t {
        auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    std::string text;
    for (std::size_t i = 2; i < bytes.size(); i += 2) {
        char32_t unit = unitAt(i);
        if (isSurrogate(unit, 0xD800) && i + 2 < bytes.size() && isSurrogate(unitAt(i + 2), 0xDC00)) {
            appendUTF8(text, 0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00));
            i += 2;
        } else if (isSurrogate(unit, 0xD800) || isSurrogate(unit, 0xDC00)) {
            return std::nullopt;
        } else {
            appendUTF8(text, unit);
        }
    }
    return text;
}

bool isUnquotedCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
        || c == '_' || c == '$' || c == '+' || c == '/' || c == ':' || c == '.' || c == '-';
}

} // namespace

class StringsParser {
public:
    explicit StringsParser(std::string_view text) : text_(text) {}

    bool parse(StringsFile& file)
    {
        for (;;) {
            if (!skipSpaceAndComments())
                return false;
            if (atEnd())
                return true;
            std::string key, value;
            if (!readString(key) || !skipSpaceAndComments())
                return false;
            if (peek() == '=') {
                ++position_;
                if (!skipSpaceAndComments() || !readString(value) || !skipSpaceAndComments())
                    return false;
            } else {
                value = key;
            }
            if (peek() != ';')
                return fail("missing ';' after the entry for \"" + key + "\"");
            ++position_;
            file.entries_.insert_or_assign(std::move(key), std::move(value));
        }
    }

    std::string error() const { return "line " + std::to_string(lineAt(errorPosition_)) + ": " + error_; }

private:
    bool atEnd() const { return position_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[position_]; }

    bool fail(std::string why)
    {
        error_ = std::move(why);
        errorPosition_ = position_;
        return false;
    }

    std::size_t lineAt(std::size_t position) const
    {
        std::size_t line = 1;
        for (std::size_t i = 0; i < position && i < text_.size(); ++i)
            line += text_[i] == '\n';
        return line;
    }

    bool skipSpaceAndComments()
    {
        while (!atEnd()) {
            char c = peek();
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
                ++position_;
            } else if (text_.substr(position_, 2) == "//") {
                std::size_t end = text_.find('\n', position_);
                position_ = end == std::string_view::npos ? text_.size() : end + 1;
            } else if (text_.substr(position_, 2) == "/*") {
                std::size_t end = text_.find("*/", position_ + 2);
                if (end == std::string_view::npos)
                    return fail("a comment that is never closed");
                position_ = end + 2;
            } else {
                break;
            }
        }
        return true;
    }

    bool readString(std::string& out)
    {
        if (peek() == '"')
            return readQuoted(out);
        std::size_t start = position_;
        while (!atEnd() && isUnquotedCharacter(peek()))
            ++position_;
        if (position_ == start)
            return atEnd() ? fail("the file ends where a string should be")
                           : fail(std::string("unexpected '") + peek() + "' where a string should be");
        out = text_.substr(start, position_ - start);
        return true;
    }

    bool readQuoted(std::string& out)
    {
        std::size_t start = position_++;
        while (!atEnd()) {
            char c = text_[position_++];
            if (c == '"')
                return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (atEnd())
                break;
            if (!readEscape(out))
                return false;
        }
        position_ = start;
        return fail("a quoted string that is never closed");
    }

    bool readEscape(std::string& out)
    {
        char c = text_[position_++];
        switch (c) {
        case 'n': out += '\n'; return true;
        case 't': out += '\t'; return true;
        case 'r': out += '\r'; return true;
        case 'a': out += '\a'; return true;
        case 'b': out += '\b'; return true;
        case 'f': out += '\f'; return true;
        case 'v': out += '\v'; return true;
        case 'U':
        case 'u':
            return readUnicodeEscape(out);
        default:
            break;
        }
        if (c >= '0' && c <= '7') {
            int value = c - '0';
            for (int digits = 1; digits < 3 && peek() >= '0' && peek() <= '7'; ++digits)
                value = value * 8 + (text_[position_++] - '0');
            appendUTF8(out, static_cast<char32_t>(value));
            return true;
        }
        out += c;  // \" \\ \' and any other character stand for themselves
        return true;
    }

    std::optional<char32_t> readHexUnit()
    {
        if (position_ + 4 > text_.size())
            return std::nullopt;
        char32_t unit = 0;
        for (int i = 0; i < 4; ++i) {
            int digit = hexDigitValue(text_[position_ + i]);
            if (digit < 0)
                return std::nullopt;
            unit = unit << 4 | static_cast<char32_t>(digit);
        }
        position_ += 4;
        return unit;
    }

    bool readUnicodeEscape(std::string& out)
    {
        auto unit = readHexUnit();
        if (!unit)
            return fail("\\U must be followed by four hexadecimal digits");
        if (isSurrogate(*unit, 0xD800) && text_.substr(position_, 2) == "\\U") {
            std::size_t before = position_;
            position_ += 2;
            auto low = readHexUnit();
            if (low && isSurrogate(*low, 0xDC00)) {
                appendUTF8(out, 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00));
                return true;
            }
            position_ = before;
        }
        if (isSurrogate(*unit, 0xD800) || isSurrogate(*unit, 0xDC00))
            return fail("\\U escape of an unpaired surrogate");
        appendUTF8(out, *unit);
        return true;
    }

    std::string_view text_;
    std::size_t position_ = 0;
    std::string error_;
    std::size_t errorPosition_ = 0;
};

StringsFile StringsFile::parse(std::string_view bytes, std::string& error)
{
    std::string converted;
    if (bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
        auto utf8 = fromUTF16(bytes);
        if (!utf8) {
            error = "malformed UTF-16 text";
            return {};
        }
        converted = std::move(*utf8);
        bytes = converted;
    } else if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    if (validatedUTF16Length(bytes) < 0) {
        error = "not UTF-8 text";
        return {};
    }
    StringsFile file;
    StringsParser parser(bytes);
    if (!parser.parse(file)) {
        error = parser.error();
        return {};
    }
    return file;
}

const std::string* StringsFile::find(std::string_view key) const
{
    auto found = entries_.find(std::string(key));
    return found == entries_.end() ? nullptr : &found->second;
}

} // namespace foundation
