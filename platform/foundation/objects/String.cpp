#include "foundation/objects/String.h"

#include "foundation/objects/DebugCheck.h"
#include "foundation/objects/Hashing.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace foundation {

namespace {

// Length in bytes of a well-formed UTF-8 sequence starting at `p`, or 0.
// Overlong forms, surrogates and code points above U+10FFFF are refused.
std::size_t sequenceLength(const unsigned char* p, const unsigned char* end) noexcept
{
    unsigned char lead = p[0];
    std::size_t available = static_cast<std::size_t>(end - p);
    auto continuation = [&](std::size_t i) { return i < available && (p[i] & 0xC0) == 0x80; };
    if (lead >= 0xC2 && lead <= 0xDF)
        return continuation(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (!continuation(1) || !continuation(2))
            return 0;
        if (lead == 0xE0 && p[1] < 0xA0)
            return 0;  // overlong
        if (lead == 0xED && p[1] >= 0xA0)
            return 0;  // surrogate
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (!continuation(1) || !continuation(2) || !continuation(3))
            return 0;
        if (lead == 0xF0 && p[1] < 0x90)
            return 0;  // overlong
        if (lead == 0xF4 && p[1] >= 0x90)
            return 0;  // above U+10FFFF
        return 4;
    }
    return 0;
}

bool isPlainDescriptionCharacter(unsigned char c) noexcept
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$'
        || c == '/' || c == ':' || c == '.' || c == '-';
}

} // namespace

std::ptrdiff_t validatedUTF16Length(std::string_view utf8) noexcept
{
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    std::ptrdiff_t units = 0;
    while (p < end) {
        // Plain ASCII runs are the common case: take eight bytes at a time.
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if (word & 0x8080808080808080ull)
                break;
            p += 8;
            units += 8;
        }
        if (p == end)
            break;
        if (*p < 0x80) {
            ++p;
            ++units;
            continue;
        }
        std::size_t length = sequenceLength(p, end);
        if (length == 0)
            return -1;
        units += length == 4 ? 2 : 1;
        p += length;
    }
    return units;
}

std::string withInvalidUTF8Replaced(std::string_view bytes)
{
    std::string valid;
    valid.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        std::size_t length = *p < 0x80 ? 1 : sequenceLength(p, end);
        if (length == 0) {
            valid += "\xEF\xBF\xBD";
            ++p;
            continue;
        }
        valid.append(reinterpret_cast<const char*>(p), length);
        p += length;
    }
    return valid;
}

void* String::operator new(std::size_t size, std::size_t extraBytes)
{
    return smallObjectPool::allocate(size + extraBytes);
}

void String::operator delete(String* string, std::destroying_delete_t) noexcept
{
    std::size_t size = blockSize(string->byteLength_);
    string->~String();
    smallObjectPool::deallocate(string, size);
}

Ref<String> String::make(std::string_view utf8, std::size_t utf16Length)
{
    String* string = new (utf8.size() + 1) String(utf8.size(), utf16Length);
    if (!utf8.empty())
        std::memcpy(string->bytes(), utf8.data(), utf8.size());
    string->bytes()[utf8.size()] = '\0';
    return Ref<String>::adopt(string);
}

Ref<String> String::create(std::string_view utf8)
{
    std::ptrdiff_t units = validatedUTF16Length(utf8);
    if (units < 0)
        return nullptr;
    if (utf8.empty())
        return Ref(empty());
    return make(utf8, static_cast<std::size_t>(units));
}

Ref<String> String::createUnchecked(std::string_view validUTF8)
{
    // Every reader of a String (the length below, descriptions, the JSON
    // encoder) walks its bytes as well-formed UTF-8 and would step past a
    // bad sequence or stall on it; in checked builds the promise is verified.
    FOUNDATION_DEBUG_CHECK(validatedUTF16Length(validUTF8) >= 0,
        "String::createUnchecked (or str()) given bytes that are not valid UTF-8",
        "make strings from bytes that come from outside the program (files, the network, the "
        "environment) with String::create, which answers null for bad UTF-8; keep createUnchecked "
        "and str() for literals and text this program has already validated");
    if (validUTF8.empty())
        return Ref(empty());
    // Every byte but a continuation byte starts a character; four-byte
    // characters take two UTF-16 units.
    std::size_t units = 0;
    for (unsigned char c : validUTF8)
        units += ((c & 0xC0) != 0x80) + (c >= 0xF0);
    return make(validUTF8, units);
}

String* String::empty() noexcept
{
    static String* shared = [] {
        String* string = make({}, 0).leak();
        string->makeImmortal();
        return string;
    }();
    return shared;
}

int String::compare(const String& other) const noexcept
{
    int order = utf8().compare(other.utf8());
    return (order > 0) - (order < 0);
}

bool String::isEqual(const Object& other) const
{
    return other.isString() && isEqualToString(static_cast<const String&>(other));
}

std::uint64_t String::hash() const
{
    std::uint64_t cached = hash_.load(std::memory_order_relaxed);
    if (cached == 0) {
        cached = hashBytes(bytes(), byteLength_) | 1;  // 0 means "not yet computed"
        hash_.store(cached, std::memory_order_relaxed);
    }
    return cached;
}

std::string String::descriptionWithIndent(unsigned) const
{
    std::string_view text = utf8();
    bool plain = !text.empty();
    for (unsigned char c : text)
        plain = plain && isPlainDescriptionCharacter(c);
    if (plain)
        return std::string(text);

    // The platform's quoted form: escapes for quotes, backslashes and line
    // breaks, and \U escapes (UTF-16 units) for everything outside ASCII.
    std::string quoted = "\"";
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    char escape[16];
    while (p < end) {
        unsigned char c = *p;
        if (c < 0x80) {
            switch (c) {
            case '"': quoted += "\\\""; break;
            case '\\': quoted += "\\\\"; break;
            case '\n': quoted += "\\n"; break;
            case '\t': quoted += "\\t"; break;
            case '\r': quoted += "\\r"; break;
            default:
                if (c < 0x20) {
                    std::snprintf(escape, sizeof escape, "\\U%04x", c);
                    quoted += escape;
                } else {
                    quoted += static_cast<char>(c);
                }
            }
            ++p;
            continue;
        }
        std::size_t length = sequenceLength(p, end);
        std::uint32_t codePoint = length == 2 ? (c & 0x1F) : length == 3 ? (c & 0x0F) : (c & 0x07);
        for (std::size_t i = 1; i < length; ++i)
            codePoint = (codePoint << 6) | (p[i] & 0x3F);
        if (codePoint >= 0x10000) {
            codePoint -= 0x10000;
            std::snprintf(escape, sizeof escape, "\\U%04x\\U%04x", 0xD800 + (codePoint >> 10), 0xDC00 + (codePoint & 0x3FF));
        } else {
            std::snprintf(escape, sizeof escape, "\\U%04x", codePoint);
        }
        quoted += escape;
        p += length;
    }
    quoted += '"';
    return quoted;
}

} // namespace foundation
